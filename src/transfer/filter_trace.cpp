#include "transfer/filter_trace.h"

#include <vector>

#include "base/ascii.h"
#include "base/trace.h"
#include "platform/explain.h"

namespace {

bool ContainsIgnoringAsciiCase(const std::string& text, const std::string& part) {
  return ToLowerAscii(text).find(ToLowerAscii(part)) != std::string::npos;
}

// How an exported name that looks like `name` differs from it, and what
// makes it the plain name; empty when it does not look like it.
std::string ExportHint(const std::string& exported, const std::string& name) {
  if (EqualsIgnoringAsciiCase(exported, name)) {
    return exported + ", the name in other letters: export names match exactly";
  }
  if (!ContainsIgnoringAsciiCase(exported, name)) return std::string();
  if (exported.compare(0, 2, "_Z") == 0 || exported.compare(0, 1, "?") == 0) {
    return exported + ", a C++ name: declare the function extern \"C\", as morvask/filter.h does";
  }
  if (exported.find('@') != std::string::npos) {
    return exported +
           ", a stdcall name with its arguments' size: export the plain name with a .def file "
           "(EXPORTS " +
           name + "), or link with -Wl,--kill-at";
  }
  return exported + ", a name with more around it: export " + name + " itself";
}

// A few of the names, for a library that exports nothing like the one
// looked for.
std::string SomeNames(const std::vector<std::string>& names) {
  if (names.empty()) return "nothing";
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < 8; ++i) text += (i > 0 ? ", " : "") + names[i];
  return names.size() > 8 ? text + ", ..." : text;
}

bool HasFolder(const std::string& path) {
  return path.find_first_of("\\/") != std::string::npos || (path.size() >= 2 && path[1] == ':');
}

}  // namespace

void TraceRegistry() {
  if (TraceOn()) Trace("registry: " + DescribeRegistry());
}

void TraceLibraryPath(const std::string& path) {
  if (!TraceOn()) return;
  Trace("library: " + Quoted(path) + " (" + Decimal(path.size()) + " bytes)" +
        (HasFolder(path) ? ""
                         : ", a name without a folder: it is looked for in the current folder "
                           "first, then loaded as the system finds libraries"));
}

void TraceMissingLibrary(const std::string& path, DWORD error) {
  if (TraceOn()) Trace("library: not found: " + ExplainMissingFile(path, error));
}

void TraceLoadFailure(const std::string& path, DWORD error) {
  if (TraceOn()) Trace("library: did not load: " + ExplainLoadFailure(path, error));
}

void TraceExport(HMODULE library, const char* name, bool found) {
  if (!TraceOn()) return;
  if (found) {
    Trace(std::string("export ") + name + ": found");
    return;
  }
  const std::vector<std::string> names = ExportedNames(library);
  std::string hints;
  for (const std::string& exported : names) {
    const std::string hint = ExportHint(exported, name);
    if (!hint.empty()) hints += (hints.empty() ? "" : "; ") + hint;
  }
  Trace(std::string("export ") + name + ": not found; the library exports " +
        (hints.empty() ? SomeNames(names) + ", nothing like it" : hints));
}

void TraceArgumentsLeft(const char* name, std::uint32_t bytesLeft) {
  if (!TraceOn() || bytesLeft == 0) return;
  Trace(std::string("export ") + name + ": it left its " + Decimal(bytesLeft) +
        " bytes of arguments on the stack: it is __cdecl, and the program calls it as "
        "__stdcall; declare it as morvask/filter.h does (MORVASK_FILTER_CALL)");
}

void TraceStatus(HRESULT status, const char* textSource) {
  if (!TraceOn()) return;
  Trace("status " + Hex32(static_cast<unsigned long>(status)) +
        (textSource != nullptr ? std::string(": its text is ") + textSource : ": no text for it"));
}
