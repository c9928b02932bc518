// An image with both records made by the record macros, for the metadata tools: the
// same records as the command's, and constant data of its own before them.
#include <qevos/meta.h>

QEVOS_COMMAND_RECORD(g_cmdmeta_0, "Clear background image for focused tile.", "unpaint");
QEVOS_PACKAGE_RECORD(g_pkgmeta_0, "unpaint", "3");

namespace {
const char kGreeting[] = "constant data ahead of the records";
}

int main(int argc, char **argv) {
    // Read the constant through the vector so that it stays in .rodata.
    return argc > 1 && argv[1][0] == kGreeting[0] ? 1 : 0;
}
