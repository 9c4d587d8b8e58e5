// Starts a Windows program with no standard input at all, as a service or
// a scheduled task may be started. Under wine a closed descriptor 0 cannot
// stand for that: wine's own first open takes it.
//   closed_input PROGRAM.exe
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    return 125;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (CreateProcessA(argv[1], nullptr, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process) == 0) {
    return 125;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 125;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
