// Sleeps that the host records: 0 s, then 8589 s (two full calls and 1 s), then
// 18588 s (four full calls and 1412 s).
#include <unistd.h>

#include "check.h"

int main() {
    CHECK_EQ(sleep(0), 0u);
    CHECK_EQ(sleep(8589), 0u);
    CHECK_EQ(sleep(4 * 4294 + 1412), 0u);
    return check::finish();
}
