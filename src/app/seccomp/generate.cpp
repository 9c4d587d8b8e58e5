// Compiles the confinement's rules, once, into the filter that the kernel
// runs on each architecture, so that a change of policy is reviewed as a
// diff of what the kernel enforces and no start-up pays for compiling it.
//
//   generate [--check] FOLDER DEBIAN=LIBSECCOMP...
//
// writes FOLDER/DEBIAN.inc (the instructions, which the program includes)
// and FOLDER/DEBIAN.pfc (libseccomp's reading of them) for each
// architecture, named by Debian and by libseccomp; with --check it writes
// nothing and says which files differ from what the rules give. Run by the
// maintainer target seccomp-policy (CONTRIBUTING.md, "Confinement").
#include <seccomp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/seccomp/policy.hpp"

namespace {

using inventory::seccomp::Constants;
using inventory::seccomp::Instruction;
using inventory::seccomp::pid_placeholder;

// The target's values, which the build machine's headers do not give: on
// powerpc the terminal requests are numbered apart, and there is no
// TCGETS2, as its TCGETS carries the speeds. The program's build checks
// every one against the target's headers.
Constants constants_for(std::uint32_t architecture) {
  Constants constants{.tcgets = 0x5401,
                      .tcgets2 = 0x802c542a,
                      .tiocgwinsz = 0x5413,
                      .tcflsh = 0x540b,
                      .tciflush = 0,
                      .f_getfd = 1,
                      .prot_exec = 4,
                      .map_anonymous = 0x20,
                      .madv_dontneed = 4,
                      .madv_free = 8,
                      .madv_hugepage = 14,
                      .madv_nohugepage = 15,
                      .sigabrt = 6,
                      .futex_wait = 0,
                      .futex_wake = 1,
                      .futex_wait_bitset = 9,
                      .futex_wake_bitset = 10,
                      .futex_private_flag = 128,
                      .futex_clock_realtime = 256};
  if (architecture == SCMP_ARCH_PPC64LE || architecture == SCMP_ARCH_PPC64 ||
      architecture == SCMP_ARCH_PPC) {
    constants.tcgets = 0x402c7413;
    constants.tcgets2 = 0;
    constants.tiocgwinsz = 0x40087468;
    constants.tcflsh = 0x2000741f;
  }
  return constants;
}

struct Rule {
  const char* call;
  std::vector<scmp_arg_cmp> conditions{};
};

scmp_arg_cmp argument_is(unsigned argument, scmp_datum_t value) {
  return {argument, SCMP_CMP_EQ, value, 0};
}

// The kernel reads an ioctl request and a futex operation as 32 bits, and
// musl passes a request as a signed int, which a 64-bit register holds
// sign-extended: the upper half is not compared.
scmp_arg_cmp low_half_is(unsigned argument, scmp_datum_t value, scmp_datum_t ignored = 0) {
  return {argument, SCMP_CMP_MASKED_EQ, 0xffffffffU & ~ignored, value};
}

scmp_arg_cmp argument_lacks(unsigned argument, scmp_datum_t bits) {
  return {argument, SCMP_CMP_MASKED_EQ, bits, 0};
}

scmp_arg_cmp argument_has(unsigned argument, scmp_datum_t bits) {
  return {argument, SCMP_CMP_MASKED_EQ, bits, bits};
}

constexpr scmp_datum_t input = 0;
constexpr scmp_datum_t output = 1;
constexpr scmp_datum_t errors = 2;

// Every call the process may make once confined. 32-bit systems name some
// calls apart (fcntl64, mmap2, and the _time64 calls that take a 64-bit
// time); a call that the architecture lacks is left out of its filter.
std::vector<Rule> rules(std::uint32_t architecture, const Constants& c) {
  std::vector<Rule> listed{
      // The run: answers in, transcript and diagnostics out.
      {"read", {argument_is(0, input)}},
      {"write", {argument_is(0, output)}},
      {"write", {argument_is(0, errors)}},
      // A stream that another process left non-blocking is waited on.
      {"poll"},
      {"ppoll"},
      {"ppoll_time64"},
      // The typeahead left at a terminal is dropped at the end.
      {"ioctl", {argument_is(0, input), low_half_is(1, c.tcflsh), argument_is(2, c.tciflush)}},
      // A closed input is told from an unreadable one.
      {"fcntl", {argument_is(0, input), argument_is(1, c.f_getfd)}},
      {"fcntl64", {argument_is(0, input), argument_is(1, c.f_getfd)}},
      // Memory, never executable, and never a mapping of a descriptor,
      // which would read or change a file that read and write refuse.
      // mremap is left out: it can grow a mapping of a file made before
      // the filter past the file's end, and the C libraries' realloc
      // copies when it fails.
      {"brk"},
      {"mprotect", {argument_lacks(2, c.prot_exec)}},
      {"munmap"},
      {"mmap2", {argument_lacks(2, c.prot_exec), argument_has(3, c.map_anonymous)}},
      // What C libraries and preloaded allocators call on their own.
      {"getrandom"},
      {"sched_yield"},
      {"clock_gettime"},
      {"clock_gettime64"},
      {"clock_getres"},
      {"clock_getres_time64"},
      {"gettimeofday"},
      {"time"},
      // The end of the process, and the return from a signal handler (the
      // old form too, on 32-bit x86) or a stop (Ctrl-Z).
      {"exit"},
      {"exit_group"},
      {"rt_sigreturn"},
      {"sigreturn"},
      {"restart_syscall"},
      // A failed library check prints its message and aborts: SIGABRT, to
      // this process only.
      {"writev", {argument_is(0, errors)}},
      {"rt_sigprocmask"},
      {"rt_sigaction", {argument_is(0, c.sigabrt)}},
      {"getpid"},
      {"gettid"},
      {"tgkill", {argument_is(0, pid_placeholder), argument_is(2, c.sigabrt)}},
      // musl's raise signals the thread alone, which is the process here.
      {"tkill", {argument_is(0, pid_placeholder), argument_is(1, c.sigabrt)}},
  };
  // The old mmap, which is mmap's number on 32-bit x86 and on s390, takes
  // one pointer to its six arguments, which a filter cannot read: a
  // condition on its registers would hold whatever the call asked for. C
  // libraries map with mmap2 on 32-bit x86; s390x has no mmap2, and its
  // allocators fall back to brk. Every other rule reads arguments that the
  // call takes in registers on every architecture the program ships for.
  if (architecture != SCMP_ARCH_X86 && architecture != SCMP_ARCH_S390X &&
      architecture != SCMP_ARCH_S390) {
    listed.push_back({"mmap", {argument_lacks(2, c.prot_exec), argument_has(3, c.map_anonymous)}});
  }
  // The advice that allocators give when they hand memory back or ask for
  // huge pages; no other, such as MADV_HWPOISON.
  for (const std::uint32_t advice :
       {c.madv_dontneed, c.madv_free, c.madv_hugepage, c.madv_nohugepage}) {
    listed.push_back({"madvise", {argument_is(2, advice)}});
  }
  // Waiting on a lock and waking its waiters, as the C libraries do, and no
  // other operation: the priority-inheritance and requeue ones have been a
  // way into the kernel.
  for (const char* futex : {"futex", "futex_time64"}) {
    for (const std::uint32_t operation :
         {c.futex_wait, c.futex_wake, c.futex_wait_bitset, c.futex_wake_bitset}) {
      listed.push_back(
          {futex, {low_half_is(1, operation, c.futex_private_flag | c.futex_clock_realtime)}});
    }
  }
  // Whether a stream is a terminal (isatty): glibc asks with TCGETS, and
  // from 2.42 with TCGETS2 where the architecture has it; musl asks with
  // TIOCGWINSZ.
  for (const scmp_datum_t stream : {input, output, errors}) {
    for (const std::uint32_t request : {c.tcgets, c.tiocgwinsz, c.tcgets2}) {
      if (request != 0) {
        listed.push_back({"ioctl", {argument_is(0, stream), low_half_is(1, request)}});
      }
    }
  }
  return listed;
}

struct Compiled {
  std::vector<Instruction> filter;
  std::string readable;
};

// What libseccomp writes to a descriptor, read back.
template <typename Export>
bool exported(Export write_to, std::string& bytes) {
  std::unique_ptr<std::FILE, decltype(&std::fclose)> file{std::tmpfile(), &std::fclose};
  if (!file || write_to(fileno(file.get())) != 0) {
    return false;
  }
  std::rewind(file.get());
  bytes.clear();
  for (int byte = 0; (byte = std::fgetc(file.get())) != EOF;) {
    bytes.push_back(static_cast<char>(byte));
  }
  return true;
}

// The instructions in the target's byte order, which libseccomp writes:
// told by the first, which loads the architecture (offset 4).
std::vector<Instruction> instructions(const std::string& bytes) {
  const auto byte = [&](std::size_t at) {
    return std::uint32_t{static_cast<unsigned char>(bytes[at])};
  };
  const bool big_endian = bytes.size() >= 8 && byte(0) == 0 && byte(1) == 0x20;
  const auto field = [&](std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
      value |= byte(at + i) << (8 * (big_endian ? size - 1 - i : i));
    }
    return value;
  };
  std::vector<Instruction> filter;
  for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
    filter.push_back({static_cast<std::uint16_t>(field(at, 2)),
                      static_cast<std::uint8_t>(field(at + 2, 1)),
                      static_cast<std::uint8_t>(field(at + 3, 1)), field(at + 4, 4)});
  }
  return filter;
}

bool compile(std::uint32_t architecture, Compiled& compiled, std::string& why) {
  const std::unique_ptr<void, decltype(&seccomp_release)> filter{
      seccomp_init(SCMP_ACT_ERRNO(EPERM)), &seccomp_release};
  if (!filter) {
    why = "libseccomp made no filter";
    return false;
  }
  // The build machine's own goes first: a filter holds architectures of one
  // byte order alone.
  if (architecture != seccomp_arch_native() &&
      (seccomp_arch_remove(filter.get(), SCMP_ARCH_NATIVE) != 0 ||
       seccomp_arch_add(filter.get(), architecture) != 0)) {
    why = "libseccomp cannot build for this architecture";
    return false;
  }
  for (const Rule& rule : rules(architecture, constants_for(architecture))) {
    // libseccomp takes the build machine's number and translates it by name
    // for the filter's architecture, which may lack the call: then it would
    // leave the rule out of the filter but print a junk one in the text.
    if (seccomp_syscall_resolve_name_arch(architecture, rule.call) < 0) {
      continue;
    }
    if (seccomp_rule_add_array(
            filter.get(), SCMP_ACT_ALLOW, seccomp_syscall_resolve_name(rule.call),
            static_cast<unsigned>(rule.conditions.size()), rule.conditions.data()) != 0) {
      why = std::string{"libseccomp refused the rule for "} + rule.call;
      return false;
    }
  }
  std::string bytes;
  if (!exported([&](int fd) { return seccomp_export_bpf(filter.get(), fd); }, bytes) ||
      !exported([&](int fd) { return seccomp_export_pfc(filter.get(), fd); }, compiled.readable)) {
    why = "libseccomp exported nothing";
    return false;
  }
  compiled.filter = instructions(bytes);
  return true;
}

std::string hex(std::uint32_t value, int digits) {
  std::ostringstream out;
  out << "0x" << std::hex << std::setfill('0') << std::setw(digits) << value;
  return out.str();
}

std::string array_file(std::string_view debian, std::string_view name, const Compiled& compiled) {
  std::ostringstream out;
  out << "// The seccomp filter for " << debian << " (libseccomp's " << name
      << "), as the kernel runs it,\n// and " << debian
      << ".pfc reads it. Written by generate.cpp (the seccomp-policy target);\n"
         "// do not edit.\n";
  const Constants c = constants_for(seccomp_arch_resolve_name(std::string{name}.c_str()));
  out << "inline constexpr inventory::seccomp::Constants constants{\n";
  const std::pair<const char*, std::uint32_t> named[] = {
      {"tcgets", c.tcgets},
      {"tcgets2", c.tcgets2},
      {"tiocgwinsz", c.tiocgwinsz},
      {"tcflsh", c.tcflsh},
      {"tciflush", c.tciflush},
      {"f_getfd", c.f_getfd},
      {"prot_exec", c.prot_exec},
      {"map_anonymous", c.map_anonymous},
      {"madv_dontneed", c.madv_dontneed},
      {"madv_free", c.madv_free},
      {"madv_hugepage", c.madv_hugepage},
      {"madv_nohugepage", c.madv_nohugepage},
      {"sigabrt", c.sigabrt},
      {"futex_wait", c.futex_wait},
      {"futex_wake", c.futex_wake},
      {"futex_wait_bitset", c.futex_wait_bitset},
      {"futex_wake_bitset", c.futex_wake_bitset},
      {"futex_private_flag", c.futex_private_flag},
      {"futex_clock_realtime", c.futex_clock_realtime},
  };
  for (const auto& [field, value] : named) {
    out << "    ." << field << " = " << hex(value, 1) << ",\n";
  }
  out << "};\ninline constexpr inventory::seccomp::Instruction filter[] = {\n";
  std::vector<std::size_t> slots;
  for (std::size_t at = 0; at < compiled.filter.size(); ++at) {
    const Instruction& instruction = compiled.filter[at];
    out << "    {" << hex(instruction.code, 4) << ", " << unsigned{instruction.jump_true} << ", "
        << unsigned{instruction.jump_false} << ", " << hex(instruction.value, 8) << "},\n";
    if (instruction.value == pid_placeholder) {
      slots.push_back(at);
    }
  }
  out << "};\n// The instructions that compare with the process's own id.\n"
         "inline constexpr unsigned pid_slots[] = {";
  for (std::size_t i = 0; i < slots.size(); ++i) {
    out << (i == 0 ? "" : ", ") << slots[i];
  }
  out << "};\n";
  return out.str();
}

std::string readable_file(std::string_view debian, std::string_view name,
                          const Compiled& compiled) {
  std::ostringstream out;
  out << "# The seccomp filter for " << debian << " (libseccomp's " << name
      << "), as libseccomp reads\n# " << debian
      << ".inc, which the kernel runs. Written by generate.cpp; do not edit.\n# "
      << hex(pid_placeholder, 8) << " (" << pid_placeholder
      << ") stands for the process's own id, which the\n"
         "# program writes in before it loads the filter.\n";
  if (name == "x86_64") {
    out << "# Not shown below: a call numbered 0x40000000 or above (x32's) ends\n"
           "# the process.\n";
  }
  out << compiled.readable;
  return out.str();
}

bool same_as_file(const std::string& path, const std::string& text) {
  std::ifstream in{path, std::ios::binary};
  return in && std::string(std::istreambuf_iterator<char>(in), {}) == text;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const bool checking = !arguments.empty() && arguments.front() == "--check";
  if (checking) {
    arguments.erase(arguments.begin());
  }
  if (arguments.size() < 2) {
    std::cerr << "usage: generate [--check] FOLDER DEBIAN=LIBSECCOMP...\n";
    return 2;
  }
  const std::string folder{arguments.front()};
  int current = 0;
  int files = 0;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string_view pair = arguments[i];
    const std::string debian{pair.substr(0, pair.find('='))};
    const std::string name{pair.substr(std::min(pair.size(), debian.size() + 1))};
    const std::uint32_t architecture = seccomp_arch_resolve_name(name.c_str());
    Compiled compiled;
    std::string why = "libseccomp knows no architecture of that name";
    if (architecture == 0 || !compile(architecture, compiled, why)) {
      std::cerr << "FAIL " << debian << " (" << name << "): " << why << "\n";
      return 1;
    }
    std::string base = folder;
    base += '/';
    base += debian;
    const std::pair<std::string, std::string> written[] = {
        {base + ".inc", array_file(debian, name, compiled)},
        {base + ".pfc", readable_file(debian, name, compiled)}};
    for (const auto& [path, text] : written) {
      ++files;
      if (checking) {
        if (same_as_file(path, text)) {
          ++current;
        } else {
          std::cout << "FAIL " << path
                    << " is not what the rules give: run the seccomp-policy target\n";
        }
      } else if (!(std::ofstream{path, std::ios::binary} << text)) {
        std::cerr << "FAIL " << path << " could not be written\n";
        return 1;
      } else {
        ++current;
      }
    }
  }
  std::cout << "seccomp policy: " << current << " of " << files << " files current\n";
  return current == files ? 0 : 1;
}
