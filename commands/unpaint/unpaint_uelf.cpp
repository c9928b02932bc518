// unpaint [-h]: clears the background image of the focused tile. The kernel does the
// work in one service call; the command only reports a refusal.
#include <qevos/abi.h>
#include <qevos/meta.h>
#include <stdio.h>
#include <string.h>

#include "trap.h"

QEVOS_COMMAND_RECORD(g_cmdmeta_0, "Clear background image for focused tile.", "unpaint");

int main(int argc, char **argv) {
    if (argc > 1 && argv[1] != nullptr && strcmp(argv[1], "-h") == 0) {
        puts("Usage: unpaint");
        return 0;
    }
    if (qevos::sys::trap(QEVOS_SYS_CLEAR_FOCUSED_BACKGROUND) == 0) return 0;
    puts("unpaint: failed to clear focused background");
    return 1;
}
