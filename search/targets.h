// Per-row tables of the listed S-boxes (rows of sc4): which rows were reached, and how rows
// are related by the 24 input-bit permutations and by inversion. init_dsi builds per and inv
// once before the search and clears dn; afterwards only the verification updates dn, and a
// resumed run sets it from its checkpoint.
#pragma once

#include "classes/quikfnd3.h"

// dn[r] = {report number, program length} of the record that reached row r; {-1, -1} while none.
extern int dn[sbox_capacity][2];
// per[r][k]: row of x -> S_r(P_k(x)); inv[r][k]: row of x -> S_r^-1(P_k(x)); -1 when not a row.
extern int per[sbox_capacity][24];
extern int inv[sbox_capacity][24];

void init_dsi();
