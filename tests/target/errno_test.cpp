// errno starts at 0; strerror knows five texts and returns one stable pointer per code.
#include <errno.h>
#include <string.h>

#include "check.h"

int main() {
    CHECK_EQ(errno, 0);

    struct Case {
        int code;
        const char *text;
    };
    const Case cases[] = {
        {0, "ok"},     {2, "no such file"}, {22, "invalid argument"}, {38, "not implemented"},
        {12, "error"}, {1, "error"},        {37, "error"},            {39, "error"},
        {-2, "error"}, {-22, "error"},      {0x7fffffff, "error"},
    };
    for (const Case &c : cases) {
        CHECK_STR(strerror(c.code), c.text);
        CHECK_EQ(strerror(c.code), strerror(c.code));
    }
    CHECK_EQ(strerror(1), strerror(12));
    CHECK(strerror(0) != strerror(2));
    return check::finish();
}
