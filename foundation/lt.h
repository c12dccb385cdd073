// Truth tables over 8 variables (16 words of 16 bits, bit x in word x/16 at position x%16):
// linear functions and their complements (LA), monomials (TA) and degree masks (OA).
// Built by init_LT at start-up, read-only afterwards.
#pragma once

extern unsigned short LA[512][16];
extern unsigned short TA[256][16];
extern unsigned short OA[9][16];

void init_LT();
unsigned short* L(unsigned x);  // row x of LA, x < 512
unsigned short* I(unsigned x);  // row 2^x of LA, x <= 8
unsigned short* T(unsigned x);  // row x of TA, x < 256
unsigned short* O(unsigned x);  // row x of OA, x <= 8

// The same rows for any number of variables, one 16-bit word k (bits 16k..16k+15) at a time,
// derived from word 0 of the tables above; they serve tables longer than 256 bits.
unsigned short linear_word(unsigned a, unsigned k);    // linear function with mask a (a < 65536)
unsigned short monomial_word(unsigned m, unsigned k);  // monomial m (m < 65536)
unsigned short degree_word(unsigned d, unsigned k);    // monomial indexes of degree d >= 1
