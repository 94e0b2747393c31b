// torvane-lsp: the language server for scenario files, over stdio.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "lsp/server.hpp"

namespace {

constexpr std::string_view kUsage =
    "Usage: torvane-lsp [OPTIONS]\n"
    "A language server for Torvane scenario files, speaking the Language Server\n"
    "Protocol over standard input and output. The folder of each open file is\n"
    "its game's folder.\n"
    "\n"
    "  --debounce MS            wait MS milliseconds after an edit before checking (150)\n"
    "  --max-message-bytes N    refuse a message larger than N bytes (67108864)\n"
    "  --stdio                  accepted, as editors pass it: stdio is the only channel\n"
    "  --help, --version\n";

std::optional<long long> Number(const char* text) {
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || value < 0) return std::nullopt;
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  torvane::lsp::ServerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--version") {
      std::cout << "torvane-lsp " << TORVANE_VERSION << "\n";
      return 0;
    }
    // Editors start servers with --stdio; stdio is the only way here.
    if (arg == "--stdio") continue;
    if ((arg == "--debounce" || arg == "--max-message-bytes") && i + 1 < argc) {
      const auto value = Number(argv[++i]);
      if (!value) {
        std::cerr << "torvane-lsp: " << arg << " takes a number\n" << kUsage;
        return 2;
      }
      if (arg == "--debounce") options.DebounceMs = static_cast<int>(*value);
      else options.MaxMessageBytes = static_cast<std::size_t>(*value);
      continue;
    }
    std::cerr << "torvane-lsp: unknown option '" << arg << "'\n" << kUsage;
    return 2;
  }
  torvane::lsp::Server server(STDIN_FILENO, STDOUT_FILENO, options);
  return server.Run();
}
