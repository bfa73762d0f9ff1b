// web_server.cpp
#include "serve/web_server.h"

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>

#include "data_error.h"
#include "file_io.h"
#include "importers.h"
#include "serve/web_page.h"

namespace linkan::app {

using httplib::Request;
using httplib::Response;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr const char* kCookieName = "linkan_token";
constexpr const char* kTokenHeader = "X-Linkan-Token";
// The task dialog's button that reads the taxonomy file.
constexpr int kAssignTaxonomyButton = 1049;
// Task file keys that name files.
constexpr const char* kFileKeys[] = {"DatabaseFile", "LoadModels", "DataFileNameForTaxonomy",
                                     "SaveAsPMML", "SaveAsPMML44"};

void SendJson(Response& res, const json& body, int status = 200) {
  res.status = status;
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void SendError(Response& res, int status, const std::string& message) {
  SendJson(res, {{"error", message}}, status);
}

// Compares without an early exit, so the time taken tells nothing about
// how much of a guess was right.
bool SameToken(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string CookieToken(const Request& req) {
  const std::string cookies = req.get_header_value("Cookie");
  const std::string key = std::string(kCookieName) + "=";
  std::size_t at = 0;
  while ((at = cookies.find(key, at)) != std::string::npos) {
    if (at == 0 || cookies[at - 1] == ' ' || cookies[at - 1] == ';') {
      const std::size_t start = at + key.size();
      return cookies.substr(start, cookies.find(';', start) - start);
    }
    at += key.size();
  }
  return {};
}

// The JSON body of an API request; null (after an error answer) when it is
// not JSON.
json Body(const Request& req, Response& res) {
  if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
    SendError(res, 415, "the request body must be JSON (Content-Type: application/json)");
    return json();
  }
  json body = json::parse(req.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) {
    SendError(res, 400, "the request body is not a JSON object");
    return json();
  }
  return body;
}

std::string Text(const json& body, const char* key) {
  auto it = body.find(key);
  return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::size_t Number(const Request& req, const char* key, std::size_t fallback) {
  if (!req.has_param(key)) return fallback;
  try {
    return std::stoul(req.get_param_value(key));
  } catch (const std::exception&) {
    return fallback;
  }
}

void SendFile(Response& res, const DocumentFile& file) {
  // The name as the browser saves it: plain characters only, so that no
  // name (a project's may hold anything) can break the header.
  std::string name = file.name;
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) c = '_';
  }
  res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
  res.set_content(file.bytes, file.mime);
}

}  // namespace

std::string RandomToken() {
  std::random_device random;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 32; ++i) token.push_back(kHex[random() & 15u]);
  return token;
}

WebServer::WebServer(const std::string& root, ServeOptions options)
    : root_(root), options_(std::move(options)), token_(RandomToken()),
      server_(std::make_unique<httplib::Server>()) {
  // httplib takes ownership of the queue it is handed. Event streams hold a
  // thread each, so the pool is larger than the default.
  server_->new_task_queue = [] { return new httplib::ThreadPool(24); };
  server_->set_payload_max_length(kMaxRequestBytes);
  // Answers go out at once: without this, a kept-alive connection waits
  // about 40 ms on the client's delayed acknowledgement per request.
  server_->set_tcp_nodelay(true);
  server_->set_keep_alive_timeout(2);
  server_->set_read_timeout(30);
  server_->set_default_headers({
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "no-referrer"},
      {"Cache-Control", "no-store"},
      {"Content-Security-Policy",
       "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data: blob:; "
       "connect-src 'self'; form-action 'none'; frame-ancestors 'none'; base-uri 'none'"},
  });
  server_->set_pre_routing_handler([this](const Request& req, Response& res) {
    return Authorised(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                : httplib::Server::HandlerResponse::Handled;
  });
  server_->set_exception_handler([](const Request&, Response& res, std::exception_ptr ep) {
    std::string what = "unknown";
    try {
      if (ep) std::rethrow_exception(ep);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
    SendError(res, 500, "internal error: " + what);
  });
  Routes();
  watcher_ = std::thread(&WebServer::Watch, this);
}

WebServer::~WebServer() {
  Stop();
  {
    std::lock_guard lock(watchMutex_);
    stopping_ = true;
  }
  watchWake_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  std::lock_guard lock(workspacesMutex_);
  workspaces_.clear();
}

int WebServer::Bind(int port) {
  if (port == 0) {
    port_ = server_->bind_to_any_port("127.0.0.1");
  } else if (server_->bind_to_port("127.0.0.1", port)) {
    port_ = port;
  } else {
    port_ = -1;
  }
  if (port_ <= 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port) +
                             " (in use? try --port 0 for any free port)");
  }
  return port_;
}

bool WebServer::Listen() { return server_->listen_after_bind(); }

void WebServer::Stop() {
  if (server_) server_->stop();
}

std::string WebServer::Address() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
}

bool WebServer::Authorised(const Request& req, Response& res) {
  const std::string host = req.get_header_value("Host");
  const std::string port = ":" + std::to_string(port_);
  if (host != "127.0.0.1" + port && host != "localhost" + port) {
    SendError(res, 403, "forbidden: this server answers only at 127.0.0.1" + port);
    return false;
  }
  std::string given = req.get_header_value(kTokenHeader);
  if (given.empty()) given = CookieToken(req);
  if (given.empty() && req.has_param("token")) given = req.get_param_value("token");
  if (!SameToken(given, token_)) {
    SendError(res, 403,
              "forbidden: the token is missing or wrong; open the address linkan serve printed");
    return false;
  }
  return true;
}

std::shared_ptr<Workspace> WebServer::Find(const std::string& id) {
  std::lock_guard lock(workspacesMutex_);
  auto it = workspaces_.find(id);
  return it == workspaces_.end() ? nullptr : it->second;
}

std::shared_ptr<Workspace> WebServer::AddWorkspace(DataTable table, const std::string& dataName,
                                                   std::string& error) {
  {
    std::lock_guard lock(workspacesMutex_);
    if (workspaces_.size() >= kMaxWorkspaces) {
      error = "too many analyses are open (" + std::to_string(kMaxWorkspaces) +
              "); close a tab and try again";
      return nullptr;
    }
  }
  const std::string id = RandomToken().substr(0, 16);
  ModuleGate::Pass pass = gate_.EnterDialog(id, error);
  if (!pass) return nullptr;
  auto ws = std::make_shared<Workspace>(id, std::move(table), dataName, root_, options_);
  std::lock_guard lock(workspacesMutex_);
  workspaces_[id] = ws;
  return ws;
}

void WebServer::Watch() {
  std::unique_lock lock(watchMutex_);
  while (!stopping_) {
    watchWake_.wait_for(lock, std::chrono::seconds(1));
    std::vector<std::shared_ptr<Workspace>> gone;
    {
      std::lock_guard wsLock(workspacesMutex_);
      for (auto it = workspaces_.begin(); it != workspaces_.end();) {
        Workspace& ws = *it->second;
        if (ws.Running() && ws.SinceSeen() > options_.unwatchedRunLimit) {
          ws.Cancel("cancelled: no page watched the run for " +
                    std::to_string(options_.unwatchedRunLimit.count()) + " s (the tab was closed)");
        }
        // A tab not heard of for an hour is gone; its analysis is dropped.
        if (!ws.Running() && ws.SinceSeen() > std::chrono::hours(1)) {
          gone.push_back(it->second);
          it = workspaces_.erase(it);
        } else {
          ++it;
        }
      }
    }
    // Destroyed outside the lock; a request may still hold one.
    gone.clear();
  }
}

void WebServer::Routes() {
  httplib::Server& s = *server_;

  // ---- The page ----
  s.Get("/", [this](const Request& req, Response& res) {
    if (req.has_param("token")) {
      res.set_header("Set-Cookie", std::string(kCookieName) + "=" + token_ +
                                       "; Path=/; HttpOnly; SameSite=Strict");
    }
    res.set_content(std::string(PageHtml()), "text/html; charset=utf-8");
  });
  s.Get("/favicon.ico", [](const Request&, Response& res) { res.status = 204; });
  s.Get("/app.js", [](const Request&, Response& res) {
    res.set_content(std::string(PageScript()), "text/javascript; charset=utf-8");
  });
  s.Get("/app.css", [](const Request&, Response& res) {
    res.set_content(std::string(PageStyle()), "text/css; charset=utf-8");
  });

  // ---- Files under the root ----
  s.Get("/api/files", [this](const Request& req, Response& res) {
    const std::string dir = req.has_param("dir") ? req.get_param_value("dir") : std::string();
    std::string error;
    const auto entries = root_.List(dir, error);
    if (!entries) return SendError(res, 400, error);
    json list = json::array();
    for (const FolderEntry& e : *entries) {
      list.push_back({{"name", e.name}, {"folder", e.folder}, {"size", e.size}});
    }
    SendJson(res, {{"dir", dir}, {"entries", list}});
  });
  s.Post("/api/upload", [this](const Request& req, Response& res) {
    const json body = Body(req, res);
    if (body.is_null()) return;
    const std::string name = Text(body, "name");
    const std::string text = Text(body, "text");
    if (name.empty() || name.size() > 200 || name[0] == '.' ||
        name.find_first_of("/\\") != std::string::npos) {
      return SendError(res, 400, "an upload needs a plain file name (no folders, not hidden)");
    }
    if (text.size() > kMaxUploadBytes) {
      return SendError(res, 413, "the file is larger than " +
                                     std::to_string(kMaxUploadBytes >> 20) + " MB");
    }
    std::string error;
    const auto path = root_.Resolve(name, error);
    if (!path) return SendError(res, 400, error);
    if (fs::exists(*path)) {
      return SendError(res, 409, "\"" + name + "\" exists already; choose another name");
    }
    try {
      WriteFileAtomically(path->string(), text);  // whole or not at all
    } catch (const DataError& e) {
      return SendError(res, 500, e.what());
    }
    SendJson(res, {{"path", root_.Relative(*path)}});
  });

  // ---- Opening data or a project: a new analysis ----
  s.Post("/api/open", [this](const Request& req, Response& res) {
    const json body = Body(req, res);
    if (body.is_null()) return;
    std::string error;
    if (const std::string project = Text(body, "project"); !project.empty()) {
      const auto path = root_.Resolve(project, error);
      if (!path) return SendError(res, 400, error);
      if (!fs::is_regular_file(*path)) return SendError(res, 404, "\"" + project + "\": no such project file");
      auto ws = AddWorkspace(DataTable(), "", error);
      if (!ws) return SendError(res, 409, error);
      ModuleGate::Pass pass = gate_.EnterRun(ws->id(), path->string(), error);
      if (!pass) {
        std::lock_guard lock(workspacesMutex_);
        workspaces_.erase(ws->id());
        return SendError(res, 409, error);
      }
      ws->StartRun(std::move(pass), json::object(),
                   {{"UseExistingProject", 1},
                    {"GoToResultsDialogWithoutAddingDocuments", 1},
                    {"DatabaseFile", path->string()}});
      return SendJson(res, {{"workspace", ws->id()}, {"table", ws->TableInfo()}, {"job", ws->Job()}});
    }
    const std::string data = Text(body, "data");
    const auto path = root_.Resolve(data, error);
    if (!path) return SendError(res, 400, error);
    const std::string format = body.value("format", std::string("csv"));
    const std::string weight = Text(body, "weight");
    DataTable table;
    try {
      if (format == "csv") {
        LoadOptions load;
        if (!weight.empty()) load.weightVariable = weight;
        table = LoadDataTable(path->string(), load);
      } else if (const auto importer = ParseImportFormat(format)) {
        if (!weight.empty()) return SendError(res, 400, "a weight variable needs a CSV table");
        table = ImportFile(path->string(), *importer);
      } else {
        return SendError(res, 400, "the format is \"csv\", \"basket\" or \"spmf\", not \"" + format + "\"");
      }
    } catch (const std::exception& e) {
      return SendError(res, 400, e.what());
    }
    auto ws = AddWorkspace(std::move(table), root_.Relative(*path), error);
    if (!ws) return SendError(res, 409, error);
    std::string busy;
    ModuleGate::Pass pass = gate_.EnterDialog(ws->id(), busy);
    if (!pass) return SendError(res, 409, busy);
    SendJson(res, {{"workspace", ws->id()}, {"table", ws->TableInfo()}, {"task", ws->TaskState()}});
  });

  // ---- One analysis ----
  // Handlers over workspace `matches[1]`, holding the gate as `gate` says.
  using WorkspaceHandler = std::function<void(Workspace&, const json&, const Request&, Response&)>;
  enum Gate { kNoGate, kDialog, kCall };
  auto on = [this](Gate gate, bool post, WorkspaceHandler handler) {
    return [this, gate, post, handler](const Request& req, Response& res) {
      std::shared_ptr<Workspace> ws = Find(req.matches[1]);
      if (!ws) {
        return SendError(res, 404,
                         "this analysis is not open any more (the server restarted or the tab "
                         "was closed long ago); open the data again");
      }
      ws->Touch();
      json body = json::object();
      if (post) {
        body = Body(req, res);
        if (body.is_null()) return;
      }
      ModuleGate::Pass pass;
      std::string busy;
      if (gate == kDialog) pass = gate_.EnterDialog(ws->id(), busy);
      if (gate == kCall) pass = gate_.EnterCall(ws->id(), busy);
      if (gate != kNoGate && !pass) return SendError(res, 409, busy);
      handler(*ws, body, req, res);
    };
  };
  const std::string ws = R"(/api/ws/([0-9a-f]{16}))";

  s.Get(ws + "/task", on(kDialog, false, [](Workspace& w, const json&, const Request&, Response& res) {
          SendJson(res, w.TaskState());
        }));
  s.Post(ws + "/task/type", on(kDialog, true, [this](Workspace& w, const json& body, const Request&,
                                                   Response& res) {
           const int id = body.value("id", 0);
           std::string text = Text(body, "text");
           // A typed project name must lie in the served folder like a
           // chosen one.
           if (id == kProjectFileEdit && !text.empty()) {
             std::string error;
             const auto path = root_.Resolve(text, error);
             if (!path) return SendError(res, 400, error);
             text = path->string();
           }
           SendJson(res, w.TypeTask(id, text));
         }));
  s.Post(ws + "/task/click", on(kNoGate, true, [this](Workspace& w, const json& body,
                                                     const Request&, Response& res) {
           const int id = body.value("id", 0);
           if (id == 1) return SendError(res, 400, "OK starts a run: use /task/ok");
           // Assigning the taxonomy roles reads the taxonomy file with a
           // progress bar: a call that runs phases. Other clicks are dialog
           // calls.
           std::string busy;
           ModuleGate::Pass pass = id == kAssignTaxonomyButton ? gate_.EnterCall(w.id(), busy)
                                                               : gate_.EnterDialog(w.id(), busy);
           if (!pass) return SendError(res, 409, busy);
           SendJson(res, w.ClickTask(id, body.value("answers", json::object())));
         }));
  s.Post(ws + "/task/ok", on(kNoGate, true, [this](Workspace& w, const json& body, const Request&,
                                                 Response& res) {
           std::string project;
           {
             std::string busy;
             ModuleGate::Pass call = gate_.EnterDialog(w.id(), busy);
             if (!call) return SendError(res, 409, busy);
             project = w.ProjectPath();
           }
           std::string busy;
           ModuleGate::Pass pass = gate_.EnterRun(w.id(), project, busy);
           if (!pass) return SendError(res, 409, busy);
           w.StartRun(std::move(pass), body.value("answers", json::object()), {});
           SendJson(res, {{"job", w.Job()}});
         }));
  s.Get(ws + "/task/file", on(kDialog, false, [](Workspace& w, const json&, const Request&,
                                                Response& res) {
          res.set_content(w.TaskProperties().dump(2), "application/json");
        }));
  s.Post(ws + "/task/save", on(kDialog, true, [this](Workspace& w, const json& body, const Request&,
                                                  Response& res) {
           std::string error;
           const auto path = root_.Resolve(Text(body, "path"), error);
           if (!path) return SendError(res, 400, error);
           try {
             WriteFileAtomically(path->string(), w.TaskProperties().dump(2) + "\n");
           } catch (const DataError& e) {
             return SendError(res, 500, e.what());
           }
           SendJson(res, {{"path", root_.Relative(*path)}});
         }));
  s.Post(ws + "/task/load", on(kCall, true, [this](Workspace& w, const json& body, const Request&,
                                                  Response& res) {
           std::string error;
           const auto path = root_.Resolve(Text(body, "path"), error);
           if (!path) return SendError(res, 400, error);
           try {
             TaskFile task = ReadTaskFile(path->string());
             // The files a task names lie in the served folder too; a
             // relative project file is taken from the task's folder.
             for (const char* key : kFileKeys) {
               auto it = task.json.find(key);
               if (it == task.json.end() || !it->is_string()) continue;
               fs::path named(it->get<std::string>());
               if (named.is_relative()) named = path->parent_path() / named;
               const auto inside = root_.Resolve(named.string(), error);
               if (!inside) return SendError(res, 400, std::string("\"") + key + "\": " + error);
               *it = inside->string();
             }
             SendJson(res, w.LoadTask(std::move(task)));
           } catch (const std::exception& e) {
             SendError(res, 400, e.what());
           }
         }));

  // ---- The run ----
  s.Get(ws + "/job", on(kNoGate, false, [](Workspace& w, const json&, const Request&, Response& res) {
          SendJson(res, w.Job());
        }));
  s.Post(ws + "/cancel", on(kNoGate, true, [](Workspace& w, const json&, const Request&,
                                            Response& res) {
           w.Cancel();
           SendJson(res, w.Job());
         }));
  s.Get(ws + "/events", [this](const Request& req, Response& res) {
    std::shared_ptr<Workspace> w = Find(req.matches[1]);
    if (!w) return SendError(res, 404, "this analysis is not open any more");
    w->Touch();
    res.set_chunked_content_provider("text/event-stream", [w](std::size_t, httplib::DataSink& sink) {
      w->Touch();
      const json job = w->Job();
      const std::string event = "data: " + job.dump() + "\n\n";
      if (!sink.write(event.data(), event.size())) return false;
      if (job.value("state", "") != "running") {
        sink.done();
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      return true;
    });
  });

  // ---- Results ----
  s.Get(ws + "/results", on(kDialog, false, [](Workspace& w, const json&, const Request&,
                                            Response& res) { SendJson(res, w.ResultsState()); }));
  s.Post(ws + "/results/click", on(kCall, true, [](Workspace& w, const json& body, const Request&,
                                                  Response& res) {
           SendJson(res, w.ClickResults(body.value("id", 0)));
         }));
  s.Post(ws + "/results/type", on(kDialog, true, [](Workspace& w, const json& body, const Request&,
                                                 Response& res) {
           SendJson(res, w.TypeResults(body.value("id", 0), Text(body, "text")));
         }));
  s.Post(ws + "/results/sort", on(kDialog, true, [](Workspace& w, const json& body, const Request&,
                                                 Response& res) {
           SendJson(res, w.SortItems(body.value("column", -1)));
         }));
  s.Post(ws + "/results/select", on(kDialog, true, [](Workspace& w, const json& body,
                                                   const Request&, Response& res) {
           std::vector<std::size_t> rows;
           if (body.contains("rows") && body["rows"].is_array()) {
             for (const json& r : body["rows"]) {
               if (r.is_number_unsigned()) rows.push_back(r.get<std::size_t>());
             }
           }
           SendJson(res, w.SelectItems(rows));
         }));
  s.Get(ws + "/doc/([tpr][0-9]+)", on(kDialog, false, [](Workspace& w, const json&,
                                                       const Request& req, Response& res) {
          const int column = req.has_param("sort") ? std::atoi(req.get_param_value("sort").c_str()) : -2;
          const json page = w.DocumentPage(req.matches[2], Number(req, "offset", 0),
                                           Number(req, "limit", 100), column,
                                           req.has_param("desc") && req.get_param_value("desc") == "1");
          if (page.is_null()) return SendError(res, 404, "no such table");
          SendJson(res, page);
        }));
  s.Get(ws + R"(/download/([tpr][0-9]+)\.(csv|svg|png|txt))",
        on(kDialog, false, [](Workspace& w, const json&, const Request& req, Response& res) {
          const auto file = w.Download(req.matches[2], req.matches[3]);
          if (!file) return SendError(res, 404, "no such document");
          if (req.has_param("inline")) {
            res.set_content(file->bytes, file->mime);
          } else {
            SendFile(res, *file);
          }
        }));
  s.Get(ws + "/model/(native|4.4)", on(kCall, false, [](Workspace& w, const json&,
                                                       const Request& req, Response& res) {
          std::string error;
          const auto file = w.Model(req.matches[2], error);
          if (!file) return SendError(res, 409, error);
          SendFile(res, *file);
        }));
  s.Get(ws + "/project", on(kDialog, false, [](Workspace& w, const json&, const Request&,
                                            Response& res) {
          const std::string project = w.ProjectPath();
          if (project.empty() || !fs::is_regular_file(project)) {
            return SendError(res, 404, "the project file does not exist yet: run the task first");
          }
          std::string error;
          const auto file = w.ProjectCopy(project, error);
          if (!file) return SendError(res, 500, error);
          SendFile(res, *file);
        }));
  s.Post(ws + "/close", [this](const Request& req, Response& res) {
    std::shared_ptr<Workspace> w;
    {
      std::lock_guard lock(workspacesMutex_);
      auto it = workspaces_.find(req.matches[1]);
      if (it != workspaces_.end()) {
        w = it->second;
        if (!w->Running()) workspaces_.erase(it);
      }
    }
    SendJson(res, {{"closed", w && !w->Running()}});
  });
}

}  // namespace linkan::app
