#include "kernel.h"

#include <qevos/abi.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "services.h"

namespace qevos {
namespace {

// The emulator stops here only if the image jumps to it; that address can never be
// mapped (the stack ends below it), so reaching it is a fetch from unmapped memory.
constexpr uint64_t kNeverReached = 0xFFFFFFFFu;

std::string hex(uint64_t v) {
    char s[24];
    std::snprintf(s, sizeof s, "0x%08llx", static_cast<unsigned long long>(v));
    return s;
}

void hook_interrupt(uc_engine *, uint32_t number, void *user) {
    auto *p = static_cast<Process *>(user);
    p->kernel.on_interrupt(*p, number);
}

bool hook_invalid_memory(uc_engine *, uc_mem_type type, uint64_t address, int size, int64_t,
                         void *user) {
    auto *p = static_cast<Process *>(user);
    p->kernel.on_invalid_memory(*p, type, address, size);
    return false;
}

bool hook_invalid_instruction(uc_engine *, void *user) {
    auto *p = static_cast<Process *>(user);
    p->kernel.on_invalid_instruction(*p);
    return false;
}

void hook_count(uc_engine *, uint64_t, uint32_t, void *user) {
    ++static_cast<Process *>(user)->instructions;
}

const char *access_word(int type) {
    switch (type) {
        case UC_MEM_READ_UNMAPPED: return "read from unmapped address";
        case UC_MEM_WRITE_UNMAPPED: return "write to unmapped address";
        case UC_MEM_FETCH_UNMAPPED: return "execution of unmapped address";
        case UC_MEM_WRITE_PROT: return "write to read-only address";
        case UC_MEM_READ_PROT: return "read from unreadable address";
        case UC_MEM_FETCH_PROT: return "execution of non-executable address";
        default: return "invalid access to address";
    }
}

// Stops the running engine when the deadline passes, unless the run ends first.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, uc_engine *engine, std::atomic<bool> &fired)
        : thread_([this, limit, engine, &fired] {
              std::unique_lock lock(mutex_);
              if (!wake_.wait_for(lock, limit, [this] { return done_; })) {
                  fired = true;
                  uc_emu_stop(engine);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::jthread thread_;  // last: joins before the members it uses go
};

}  // namespace

Kernel::Kernel(const RunOptions &options)
    : options_(options),
      console_(options.capture_output, options.input),
      tracer_(options.trace, options.trace_json),
      call_counts_(256, 0) {}

std::unique_ptr<Process> Kernel::start_process(const Image &image,
                                               const std::vector<std::optional<std::string>> &argv,
                                               std::string &error) {
    auto p = std::make_unique<Process>(*this, next_pid_++);
    AddressSpace &m = p->memory;
    for (const Segment &s : image.segments) {
        const uint32_t access = s.access == SegmentAccess::Code       ? (kRead | kExec)
                                : s.access == SegmentAccess::ReadOnly ? kRead
                                                                      : (kRead | kWrite);
        const uint32_t size = (s.memsz + kPageSize - 1) / kPageSize * kPageSize;
        if (!m.map(s.vaddr, size, access) || !m.poke(s.vaddr, s.bytes)) {
            error = "cannot map segment at " + hex(s.vaddr);
            return nullptr;
        }
    }
    if (!m.map(kStackTop - kStackSize, kStackSize, kRead | kWrite)) {
        error = "cannot map the stack";
        return nullptr;
    }

    // The strings at the very top of the stack, the vector with its null entry below
    // them, and the count at esp.
    uint64_t bytes = 4 * (argv.size() + 2);
    for (const auto &arg : argv) bytes += arg ? arg->size() + 1 : 0;
    if (bytes > kMaxArgumentBytes) {
        error = "argument list too long (" + std::to_string(bytes) + " bytes, at most " +
                std::to_string(kMaxArgumentBytes) + ")";
        return nullptr;
    }
    uint32_t top = kStackTop;
    std::vector<uint32_t> words;
    words.push_back(static_cast<uint32_t>(argv.size()));
    std::vector<uint32_t> pointers;
    for (auto it = argv.rbegin(); it != argv.rend(); ++it) {
        if (!*it) {
            pointers.push_back(0);
            continue;
        }
        top -= static_cast<uint32_t>((*it)->size() + 1);
        m.poke(top, {reinterpret_cast<const uint8_t *>((*it)->c_str()), (*it)->size() + 1});
        pointers.push_back(top);
    }
    words.insert(words.end(), pointers.rbegin(), pointers.rend());
    words.push_back(0);
    const uint32_t esp = (top - 4 * static_cast<uint32_t>(words.size())) & ~3u;
    std::vector<uint8_t> block(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i)
        for (int b = 0; b < 4; ++b) block[i * 4 + b] = static_cast<uint8_t>(words[i] >> (8 * b));
    m.poke(esp, block);

    for (int reg : {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX,
                    UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP})
        m.set_reg(reg, 0);
    m.set_reg(UC_X86_REG_ESP, esp);
    m.set_reg(UC_X86_REG_EIP, image.entry);

    uc_hook h;
    uc_engine *uc = m.engine();
    uc_hook_add(uc, &h, UC_HOOK_INTR, reinterpret_cast<void *>(hook_interrupt), p.get(), 1, 0);
    uc_hook_add(uc, &h, UC_HOOK_MEM_INVALID, reinterpret_cast<void *>(hook_invalid_memory),
                p.get(), 1, 0);
    uc_hook_add(uc, &h, UC_HOOK_INSN_INVALID, reinterpret_cast<void *>(hook_invalid_instruction),
                p.get(), 1, 0);
    if (options_.count_instructions)
        uc_hook_add(uc, &h, UC_HOOK_CODE, reinterpret_cast<void *>(hook_count), p.get(), 1, 0);
    return p;
}

RunResult Kernel::run(const std::filesystem::path &path) {
    RunResult result;
    std::string setup_error;
    std::optional<Desktop> loaded_desktop;
    if (options_.desktop) {
        loaded_desktop = load_desktop(*options_.desktop, setup_error);
        if (loaded_desktop) desktop_ = *loaded_desktop;
    } else {
        desktop_ = default_desktop();
    }
    if (setup_error.empty()) root_ = Root::open(options_.root, setup_error);
    if (!setup_error.empty()) {
        result.outcome = Outcome::LoadFailed;
        result.fault_exit_code = kExitNotRunnable;
        result.setup_failed = true;
        result.message = setup_error;
        return result;
    }
    auto loaded = read_image(path, kStackTop - kStackSize);
    if (const auto *error = std::get_if<ImageError>(&loaded)) {
        result.outcome = Outcome::LoadFailed;
        result.fault_exit_code = error->exit_code;
        result.message = error->reason;
        return result;
    }
    std::string error;
    std::unique_ptr<Process> p = start_process(std::get<Image>(loaded), options_.argv, error);
    if (!p) {
        result.outcome = Outcome::LoadFailed;
        result.fault_exit_code = kExitNotRunnable;
        result.message = error;
        return result;
    }

    {
        Watchdog watchdog(options_.timeout, p->memory.engine(), timed_out_);
        while (p->state == Process::State::Running && !timed_out_) {
            const uint32_t eip = p->memory.reg(UC_X86_REG_EIP);
            const uc_err err = uc_emu_start(p->memory.engine(), eip, kNeverReached, 0, 0);
            if (p->state != Process::State::Running || timed_out_) break;
            if (err != UC_ERR_OK) {
                stop(*p, {kExitMemoryFault, std::string("emulation failed: ") + uc_strerror(err) +
                                                " at eip " + hex(p->memory.reg(UC_X86_REG_EIP))});
            } else if (p->memory.reg(UC_X86_REG_EIP) == kNeverReached) {
                stop(*p, {kExitMemoryFault,
                          "execution of unmapped address " + hex(kNeverReached) + " at eip " +
                              hex(kNeverReached)});
            }
            // Otherwise the engine stopped on its own (a halt, say): go on from there.
            else if (p->memory.reg(UC_X86_REG_EIP) == eip) {
                stop(*p, {kExitTrap, "halted at eip " + hex(eip)});
            }
        }
    }

    console_.flush();
    // The file is left as it was, formatting and all, unless the image changed it.
    if (loaded_desktop && desktop_ != *loaded_desktop) {
        std::string error;
        if (!save_desktop(*options_.desktop, desktop_, error)) result.desktop_error = error;
    }
    result.instructions = p->instructions;
    result.calls = std::move(calls_);
    result.output = console_.captured();
    if (p->state == Process::State::Exited) {
        result.outcome = Outcome::Exited;
        result.status = p->status;
        tracer_.exited(p->pid, p->status);
    } else if (p->state == Process::State::Faulted) {
        result.outcome = Outcome::Faulted;
        result.fault_exit_code = p->fault->exit_code;
        result.message = p->fault->what;
        tracer_.faulted(p->pid, p->fault->what, p->fault->exit_code);
    } else {
        result.outcome = Outcome::TimedOut;
        result.fault_exit_code = kExitTimedOut;
        result.message = "still running after " +
                         std::to_string(options_.timeout.count()) + " ms (eip " +
                         hex(p->memory.reg(UC_X86_REG_EIP)) + ")";
        tracer_.timed_out(p->pid, result.message);
    }
    return result;
}

void Kernel::stop(Process &p, Fault fault) {
    if (p.state != Process::State::Running) return;
    console_.flush();
    p.state = Process::State::Faulted;
    p.fault = std::move(fault);
    uc_emu_stop(p.memory.engine());
}

std::optional<int32_t> Kernel::injected_result(uint32_t number) {
    if (options_.injections.empty()) return std::nullopt;
    const uint32_t nth = number < call_counts_.size() ? ++call_counts_[number] : 0;
    for (const Injection &inj : options_.injections) {
        if (inj.service != number) continue;
        if (inj.when == 0 || nth == inj.when || (inj.and_later && nth >= inj.when))
            return inj.retval;
    }
    return std::nullopt;
}

void Kernel::on_interrupt(Process &p, uint32_t number) {
    AddressSpace &m = p.memory;
    if (number != 0x80) {
        // The emulator has already moved eip past an int n; for a processor
        // exception it still points at the instruction.
        const uint32_t eip = m.reg(UC_X86_REG_EIP);
        if (number == 0)
            stop(p, {kExitDivideError, "divide error at eip " + hex(eip)});
        else
            stop(p, {kExitTrap, "interrupt " + hex(number).substr(8) + " at eip " + hex(eip)});
        return;
    }
    int ids[7] = {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDX,
                  UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
    uint32_t v[7];
    void *ptrs[7] = {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]};
    uc_reg_read_batch(m.engine(), ids, ptrs, 7);
    const Regs regs{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};

    const ServiceRow *row = find_service(regs.eax);
    ServiceCall call{p.pid, regs.eax, row != nullptr ? row->name : std::string_view("unknown"),
                     regs.eax, regs.ebx, regs.ecx, regs.edx, regs.esi, regs.edi, regs.ebp,
                     0, false, {}};
    if (row != nullptr && row->args[0] == ArgKind::SpawnRecord)
        for (uint32_t off = 0; off < QEVOS_SPAWN_RECORD_SIZE; off += 4)
            if (const auto word = m.read_u32(regs.ebx + off)) call.record.push_back(*word);
    ServiceResult outcome;
    if (const auto injected = injected_result(regs.eax)) {
        outcome = ServiceResult::ret(*injected);
        call.injected = true;
    } else if (row == nullptr) {
        outcome = ServiceResult::ret(fail(QEVOS_ENOSYS));
    } else {
        outcome = row->handler(p, regs);
    }

    if (outcome.kind == ServiceResult::Exit) {
        if (options_.record_calls) calls_.push_back(call);
        if (options_.trace != nullptr) console_.flush();
        tracer_.exit_call(call);
        p.state = Process::State::Exited;
        p.status = outcome.value;
        uc_emu_stop(m.engine());
        return;
    }
    call.result = outcome.value;
    m.set_reg(UC_X86_REG_EAX, static_cast<uint32_t>(outcome.value));
    if (options_.record_calls) calls_.push_back(call);
    if (tracer_.active()) {
        // Keep the trace in step with what the image has written so far.
        if (options_.trace != nullptr) console_.flush();
        tracer_.call(row, call, m);
    }
}

void Kernel::on_invalid_memory(Process &p, int type, uint64_t address, int) {
    stop(p, {kExitMemoryFault, std::string("memory fault: ") + access_word(type) + " " +
                                   hex(address) + " at eip " +
                                   hex(p.memory.reg(UC_X86_REG_EIP))});
}

void Kernel::on_invalid_instruction(Process &p) {
    stop(p, {kExitInvalidInstruction,
             "invalid instruction at eip " + hex(p.memory.reg(UC_X86_REG_EIP))});
}

RunResult run_image(const std::filesystem::path &image, const RunOptions &options) {
    Kernel kernel(options);
    return kernel.run(image);
}

}  // namespace qevos
