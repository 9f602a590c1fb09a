// serve: the web viewer on a local port.
#include <httplib.h>

#include <cstdio>
#include <filesystem>

#include "command_line.h"
#include "commands.h"
#include "serve/viewer.h"

namespace tomeshelf::cli {

namespace {

const char kServeUsage[] =
    "usage: tomeshelf serve [DISC...] [--port N] [--listen ADDRESS]\n"
    "  reads the books of the discs in a web browser, at http://127.0.0.1:8080/ unless told\n"
    "  otherwise (--port 0 picks a free port). The JSON API is described in the README.\n";

}  // namespace

int RunServe(int argc, char** argv) {
  std::string error;
  Arguments args = ParseArguments(argc, argv, 2, {}, {"--port", "--listen"}, error);
  if (args.Has("--help")) {
    std::fputs(kServeUsage, stdout);
    return 0;
  }
  if (!error.empty()) return Fail(error);
  std::vector<std::string> discs;
  while (!args.positional.empty()) {
    const size_t before = args.positional.size();
    const auto disc = TakeDisc(args);
    if (!disc) return 1;
    if (args.positional.size() == before) return Fail("no such disc directory: " + args.positional[0]);
    discs.push_back(*disc);
  }
  if (discs.empty()) discs.push_back(*TakeDisc(args));
  const std::string portText = args.Get("--port", "8080");
  if (portText.empty() || portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(portText) > 65535) {
    return Fail("--port is a number from 0 to 65535");
  }
  const std::string listen = args.Get("--listen", "127.0.0.1");

  present::Error failure;
  Viewer viewer(discs, failure);
  if (failure) return Failed(failure);
  httplib::Server server;
  viewer.Install(server);
  int port = std::stoi(portText);
  if (port == 0) {
    port = server.bind_to_any_port(listen);
  } else if (!server.bind_to_port(listen, port)) {
    port = -1;
  }
  if (port < 0) return Fail("cannot listen on " + listen + " port " + portText);
  std::printf("tomeshelf: reading at http://%s:%d/\n", listen.find(':') != std::string::npos
              ? ("[" + listen + "]").c_str() : listen.c_str(), port);
  std::fflush(stdout);
  return server.listen_after_bind() ? 0 : Fail("the server stopped");
}

}  // namespace tomeshelf::cli
