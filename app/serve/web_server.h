// web_server.h
//
// WebServer: `linkan serve`, the analysis as a local web application. An
// HTTP server on 127.0.0.1 only serves the page embedded in the program
// (web_page.h) and a JSON API over Workspaces, one per browser tab.
//
// Security:
//   - Every request carries the server's random token: in the address the
//     server prints (?token=...; the page's first load turns it into a
//     cookie, HttpOnly and SameSite=Strict), a cookie, or the header
//     X-Linkan-Token. Without it: 403.
//   - The Host header must name the loopback address and port (a page of
//     another site cannot reach the server through a DNS name of its own).
//   - API bodies are JSON (Content-Type application/json), at most
//     kMaxRequestBytes; a data upload at most kMaxUploadBytes.
//   - Files are read and written under the root only (root_folder.h).
//   - Responses forbid framing and sniffing, and scripts come from the
//     server itself only (Content-Security-Policy).
//
// Runs: one at a time (module_gate.h). A run that no page watches (no
// event stream, no request) for ServeOptions::unwatchedRunLimit is
// cancelled: a closed tab does not leave a run going. A tab reloaded
// within that time finds its run again.
//
// Thread safety: Start and Stop from one thread; handlers run on the
// server's pool.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "serve/module_gate.h"
#include "serve/root_folder.h"
#include "serve/workspace.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace linkan::app {

inline constexpr std::size_t kMaxRequestBytes = 64u << 20;
inline constexpr std::size_t kMaxUploadBytes = 48u << 20;
inline constexpr std::size_t kMaxWorkspaces = 16;

class WebServer {
 public:
  WebServer(const std::string& root, ServeOptions options);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds 127.0.0.1:`port` (0: any free port); returns the port. Throws
  // std::runtime_error when the port cannot be bound.
  int Bind(int port);
  // Serves until Stop(); returns false when the server failed.
  bool Listen();
  void Stop();

  const std::string& token() const { return token_; }
  std::string Address() const;

 private:
  void Routes();
  bool Authorised(const httplib::Request& req, httplib::Response& res);
  std::shared_ptr<Workspace> Find(const std::string& id);
  std::shared_ptr<Workspace> AddWorkspace(DataTable table, const std::string& dataName,
                                          std::string& error);
  void Watch();

  RootFolder root_;
  ServeOptions options_;
  std::string token_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  ModuleGate gate_;

  std::mutex workspacesMutex_;
  std::map<std::string, std::shared_ptr<Workspace>> workspaces_;

  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  bool stopping_ = false;
  std::thread watcher_;
};

// 32 hex digits from the system's random source.
std::string RandomToken();

}  // namespace linkan::app
