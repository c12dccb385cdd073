// Truth-table length to variable count.
#pragma once

// 1..9 for x = 2, 4, ..., 512; any other x ends the process (status 0) naming the caller.
int get_log2(unsigned x, const char* y);
