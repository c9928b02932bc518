// The host kernel: processes running in the CPU emulator, the service table they
// reach through int 0x80, the console, the tracer and fault injection.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "address_space.h"
#include "console.h"
#include "descriptors.h"
#include "desktop.h"
#include "elf_image.h"
#include "files.h"
#include "run.h"
#include "trace.h"

namespace qevos {

// eax (the service number) and the six argument registers, as they were on entry.
struct Regs {
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp;
    uint32_t arg(int i) const { return std::array{ebx, ecx, edx, esi, edi, ebp}[i]; }
};

// What a service handler asks of the kernel.
struct ServiceResult {
    enum Kind { Return, Exit } kind = Return;
    int32_t value = 0;
    static ServiceResult ret(int32_t v) { return {Return, v}; }
    static ServiceResult exit(int32_t status) { return {Exit, status}; }
};

struct Fault {
    int exit_code;
    std::string what;  // "write to unmapped address 0x00000000 at eip 0x08049012"
};

class Kernel;

class Process {
public:
    Process(Kernel &kernel, int pid) : kernel(kernel), pid(pid) {}

    Kernel &kernel;
    const int pid;
    AddressSpace memory;
    enum class State { Running, Exited, Faulted } state = State::Running;
    int32_t status = 0;
    std::optional<Fault> fault;
    uint64_t instructions = 0;
    DescriptorTable descriptors;
    // The current directory, absolute inside the root.
    std::string cwd = "/";
};

// The stack region: its top is the first address the image cannot use.
constexpr uint32_t kStackTop = 0xC0000000;
constexpr uint32_t kStackSize = 1u << 20;
// The argument strings and vector must fit in a small part of the stack.
constexpr uint32_t kMaxArgumentBytes = 128u << 10;

class Kernel {
public:
    explicit Kernel(const RunOptions &options);
    RunResult run(const std::filesystem::path &image);

    const RunOptions &options() const { return options_; }
    Console &console() { return console_; }
    const Root &root() const { return *root_; }
    Desktop &desktop() { return desktop_; }

    // Called from the emulator's hooks.
    void on_interrupt(Process &p, uint32_t number);
    void on_invalid_memory(Process &p, int type, uint64_t address, int size);
    void on_invalid_instruction(Process &p);

private:
    std::unique_ptr<Process> start_process(const Image &image,
                                           const std::vector<std::optional<std::string>> &argv,
                                           std::string &error);
    void stop(Process &p, Fault fault);
    std::optional<int32_t> injected_result(uint32_t number);

    const RunOptions &options_;
    Console console_;
    Tracer tracer_;
    std::vector<ServiceCall> calls_;
    std::vector<uint32_t> call_counts_;  // per service number, for injection
    std::atomic<bool> timed_out_{false};
    int next_pid_ = 1;
    std::optional<Root> root_;
    Desktop desktop_;
};

}  // namespace qevos
