// Service 93 on the kernel's desktop.
#include "desktop.h"
#include "services.h"

namespace qevos {

ServiceResult sys_clear_focused_background(Process &p, const Regs &) {
    return ServiceResult::ret(clear_focused_background(p.kernel.desktop()));
}

}  // namespace qevos
