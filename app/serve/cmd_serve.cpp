// cmd_serve.cpp
//
// `linkan serve [--root DIR] [--port N] [--open]`: the analysis in a
// browser (web_server.h). Prints the address with its token and serves
// until Ctrl-C or SIGTERM.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "commands.h"
#include "data_error.h"
#include "memory_limit.h"
#include "serve/web_server.h"

namespace linkan::app {
namespace {

struct ServeArgs {
  std::string root = ".";
  int port = 8765;
  bool open = false;
  std::string module;
  std::string memoryLimit;
  int unwatchedSeconds = 30;
};

// Starts the desktop's browser on `address`, without waiting for it; the
// system reaps the child when it ends.
void OpenBrowser(const std::string& address) {
  std::signal(SIGCHLD, SIG_IGN);
  const pid_t pid = fork();
  if (pid == 0) {
    execlp("xdg-open", "xdg-open", address.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) std::cerr << "linkan serve: could not start a browser; open the address above\n";
}

int RunServe(const ServeArgs& args) {
  ServeOptions options;
  options.modulePath = args.module;
  options.unwatchedRunLimit = std::chrono::seconds(args.unwatchedSeconds);
  if (args.memoryLimit.empty()) {
    options.memoryLimit = DefaultMemoryLimit();
  } else {
    const std::optional<std::uint64_t> limit = ParseByteSize(args.memoryLimit);
    if (!limit) {
      throw UsageError("--memory-limit: a size such as \"4G\", \"500M\" or \"0\" (no limit), not \"" +
                       args.memoryLimit + "\"");
    }
    options.memoryLimit = *limit;
  }
  if (args.port < 0 || args.port > 65535) throw UsageError("--port: 0 to 65535");
  // Ctrl-C and SIGTERM stop the server from a thread of their own; every
  // thread started later keeps them blocked.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<WebServer> server;
  try {
    server = std::make_unique<WebServer>(args.root, options);
    server->Bind(args.port);
  } catch (const std::runtime_error& e) {
    throw UsageError(e.what());
  }
  std::cout << "linkan serve: " << server->Address() << "\n"
            << "linkan serve: serving files under " << std::filesystem::canonical(args.root).string()
            << "; Ctrl-C stops\n"
            << std::flush;
  if (args.open) OpenBrowser(server->Address());
  std::thread stopper([&server, stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server->Stop();
  });
  const bool served = server->Listen();
  // Listen returned (a stop, or a failure): wake the stopper if it waits.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  server.reset();
  std::cout << "linkan serve: stopped\n";
  return served ? 0 : 1;
}

}  // namespace

void RegisterServeCommand(CLI::App& app, const GlobalOptions& /*global*/, CommandAction& action) {
  auto args = std::make_shared<ServeArgs>();
  CLI::App* cmd = app.add_subcommand(
      "serve", "Serve the analysis as a web page on this machine (127.0.0.1 only)");
  cmd->add_option("--root", args->root,
                  "the folder whose files the page may read and write (default: the current one)");
  cmd->add_option("--port", args->port, "the port (default 8765; 0: any free port)");
  cmd->add_flag("--open", args->open, "open the page in the desktop's browser");
  cmd->add_option("--module", args->module,
                  "the analysis module library (default: $LINKAN_MODULE, else beside linkan)");
  cmd->add_option("--memory-limit", args->memoryLimit,
                  "the memory a run may hold, such as 4G (default: most of the free memory)");
  cmd->add_option("--unwatched-run-limit", args->unwatchedSeconds,
                  "seconds a run goes on with no page watching it before it is cancelled "
                  "(default 30)")
      ->check(CLI::Range(1, 86400));
  cmd->callback([args, &action] { action = [args] { return RunServe(*args); }; });
}

}  // namespace linkan::app
