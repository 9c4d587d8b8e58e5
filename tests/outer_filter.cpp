// Starts a command under an outer seccomp filter, as Docker, systemd and
// WSL 2 leave one on every process they start, or beside one.
//
//   outer_filter allow COMMAND...        every call is allowed
//   outer_filter no-seccomp COMMAND...   every call is allowed, but no later
//                                        filter loads, as where seccomp is missing
//   outer_filter parent COMMAND...       the command starts unfiltered, and
//                                        this process, its parent, takes a
//                                        filter that allows every call, as a
//                                        wrapper that confines only itself
//
// Exits with 77 where the kernel takes no filter, which CTest counts as a skip.
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
  if (argc < 3) {
    (void)std::fputs("usage: outer_filter allow|no-seccomp|parent COMMAND...\n", stderr);
    return 2;
  }
  const std::string_view mode{argv[1]};
  const pid_t child = mode == "parent" ? fork() : -1;
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::perror("outer_filter");
    return 127;
  }
  const scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
  // Another architecture's processes (bash, beside a 32-bit program) pass.
  seccomp_attr_set(filter, SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_ALLOW);
  if (mode == "no-seccomp") {
    seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(seccomp), 0);
    const scmp_arg_cmp set_seccomp{0, SCMP_CMP_EQ, PR_SET_SECCOMP, 0};
    seccomp_rule_add_array(filter, SCMP_ACT_ERRNO(EINVAL), SCMP_SYS(prctl), 1, &set_seccomp);
  }
  if (seccomp_load(filter) != 0) {
    (void)std::fputs("outer_filter: this kernel takes no seccomp filter\n", stderr);
    return 77;
  }
  if (child > 0) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  execvp(argv[2], argv + 2);
  std::perror("outer_filter");
  return 127;
}
