#include "ShellSeam.h"

#include "Log.h"

#include <shellapi.h>

namespace {

TShellExecuteFunction& ShellFunction() {
    static TShellExecuteFunction function;  // empty: ShellExecuteW
    return function;
}

TLogChannel LogShell("shell");

std::intptr_t SystemShellExecute(const TShellExecuteRequest& request) {
    const std::wstring verb = ToWide(request.Verb);
    const std::wstring file = ToWide(request.File);
    const std::wstring parameters = ToWide(request.Parameters);
    const std::wstring directory = ToWide(request.Directory);
    HINSTANCE result = ShellExecuteW(request.Owner, verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                                     parameters.empty() ? nullptr : parameters.c_str(),
                                     directory.empty() ? nullptr : directory.c_str(), request.ShowCommand);
    const auto code = reinterpret_cast<std::intptr_t>(result);
    if (code <= 32)
        VLOG_WARN(LogShell, "ShellExecute \"%s\" \"%s\" failed: %lld", request.Verb.c_str(), request.File.c_str(),
                  static_cast<long long>(code));
    return code;
}

}  // namespace

TShellExecuteFunction SetShellExecuteFunction(TShellExecuteFunction function) {
    TShellExecuteFunction previous = std::move(ShellFunction());
    ShellFunction() = std::move(function);
    return previous;
}

std::intptr_t ShellExecuteFile(const TShellExecuteRequest& request) {
    const TShellExecuteFunction& function = ShellFunction();
    return function ? function(request) : SystemShellExecute(request);
}

std::intptr_t ShellExecuteFile(HWND owner, const String& verb, const String& file, const String& parameters,
                               const String& directory, int showCommand) {
    return ShellExecuteFile(TShellExecuteRequest{owner, verb, file, parameters, directory, showCommand});
}
