// The language server's answer to an edit: one changed line of a
// 10,000-line file, read again and checked, its diagnostics published.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "lsp/server.hpp"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

void BM_LspEditIn10000Lines(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("torvane-lsp-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string text = "@STE\r\n";
  for (int scene = 0; scene < 1250; ++scene) {
    if (scene < 500) text += "@TAG s" + std::to_string(scene) + "\r\n";
    else text += "@REM scene " + std::to_string(scene) + "\r\n";
    text += "@TXT 0\r\n波の音だけが聞こえる。\r\n灯台の灯りはもう消えている。\r\n@END\r\n@FON 01\r\n";
    text += scene < 499 ? "@JMP s" + std::to_string(scene + 1) + "\r\n" : "@REM\r\n";
  }
  text += "@LST\r\n@CMD x\r\n@END\r\n";
  const int null_fd = ::open("/dev/null", O_WRONLY);
  torvane::lsp::Server server(-1, null_fd);
  const std::string uri = torvane::lsp::UriOfPath(dir / "Sinario00.txt");
  server.Handle({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
  json document = {{"uri", uri}, {"languageId", "torvane-scenario"}, {"version", 1}, {"text", text}};
  json open = {{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"}};
  open["params"]["textDocument"] = document;
  server.Handle(open);
  server.PublishPending();
  int version = 1;
  for (auto _ : state) {
    // Types one character into a message line, and back.
    const std::string typed = version % 2 ? "x" : "";
    const json range = {{"start", {{"line", 5000}, {"character", 0}}}, {"end", {{"line", 5000}, {"character", version % 2 ? 0 : 1}}}};
    json change = {{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"}};
    change["params"]["textDocument"] = {{"uri", uri}, {"version", ++version}};
    change["params"]["contentChanges"] = json::array({json{{"range", range}, {"text", typed}}});
    server.Handle(change);
    server.PublishPending();
  }
  ::close(null_fd);
  fs::remove_all(dir);
}
BENCHMARK(BM_LspEditIn10000Lines)->Unit(benchmark::kMillisecond);

}  // namespace
