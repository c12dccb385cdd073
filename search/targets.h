// Per-row tables of the listed S-boxes (rows of sc4): how rows are related by the 24 input-bit
// permutations and by inversion. init_dsi builds them with the class tables, once per loaded
// list (loading another list replaces them); afterwards every run only reads them. Which rows
// a run has reached is the run's own table (run_context::dn).
#pragma once

#include "classes/quikfnd3.h"

// per[r][k]: row of x -> S_r(P_k(x)); inv[r][k]: row of x -> S_r^-1(P_k(x)); -1 when not a row.
extern int per[sbox_capacity][24];
extern int inv[sbox_capacity][24];

// init_dsi ("direct S-box index"): builds per and inv from sc4 once a list is loaded.
void init_dsi();
