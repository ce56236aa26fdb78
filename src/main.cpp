#include "entry_routine.h"

int main(int argc, char* argv[]) { return zerofill::entry_routine(argc, argv); }
