// Byte weight table and the start-up of all constant Boolean-function tables.
// init_startup builds them once, first thing at start; everything else only reads them.
#pragma once

extern unsigned char weight_array[256];

// Builds the byte weight table, then the linear-function, monomial and degree tables.
void init_startup();
void init_weight();
// Number of set bits among the low 16 bits of x.
unsigned get_weight(unsigned x);
