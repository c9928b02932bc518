// The package record of the package that ships unpaint.
#include <qevos/meta.h>

QEVOS_PACKAGE_RECORD(g_pkgmeta_0, "unpaint", "3");
