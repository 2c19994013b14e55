// kvq-transfer: receives observation lines from field instruments over RS-232 and saves
// them as ".kvq" raw-data files.

#include "Program.h"

int main(int argc, char** argv) {
    return kvq::RunProgram(argc, argv);
}
