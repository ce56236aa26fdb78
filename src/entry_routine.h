// The entry routine: checks the command line, selects the block count from
// the size table and runs the writer.
#ifndef ZEROFILL_ENTRY_ROUTINE_H
#define ZEROFILL_ENTRY_ROUTINE_H

namespace zerofill {

// Takes main's argument count and vector; returns the exit status.
int entry_routine(int argc, char* argv[]);

}  // namespace zerofill

#endif  // ZEROFILL_ENTRY_ROUTINE_H
