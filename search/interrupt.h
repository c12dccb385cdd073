// A clean stop on Ctrl-C: with install_clean_stop, SIGINT and SIGTERM end the process at once
// (status 128 + signal number), unless a record is being written; then the process ends right
// after that record is complete and flushed. So the output file never ends half-written.
#pragma once

#include <string>

void install_clean_stop();
// Bracket the writing of one record.
void begin_record_write();
void end_record_write();
// While a status line stands on standard error, a stop clears it first.
void clear_line_on_stop(bool on);
// The line (with its line end) a stop writes to standard error once the run can go on from
// where it stopped: how to go on. It is written only after arm_stop_note.
void set_stop_note(const std::string& line);
// From now on a stop writes the note: a checkpoint to go on from exists.
void arm_stop_note();
