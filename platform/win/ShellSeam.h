// The shell's "execute" (open a document, a web address or a mail address with the program the
// system associates with it) through a replaceable function, so that tests answer it.
//
// Not yet: ShellExecuteEx's process handle, error texts.
#pragma once

#include "WinApi.h"

#include <functional>

struct TShellExecuteRequest {
    HWND Owner = nullptr;
    String Verb;        // "open", or "" for the default verb
    String File;        // a document, program, "http://..." or "mailto:..."
    String Parameters;
    String Directory;
    int ShowCommand = SW_SHOWNORMAL;
};

// Answers as ShellExecute does: a value above 32 for success, else an error code.
using TShellExecuteFunction = std::function<std::intptr_t(const TShellExecuteRequest& request)>;
// Installs `function` and returns the previous one; nullptr restores ShellExecuteW.
TShellExecuteFunction SetShellExecuteFunction(TShellExecuteFunction function);

// Runs the request through the seam and answers its result.
std::intptr_t ShellExecuteFile(const TShellExecuteRequest& request);
std::intptr_t ShellExecuteFile(HWND owner, const String& verb, const String& file, const String& parameters = String(),
                               const String& directory = String(), int showCommand = SW_SHOWNORMAL);
