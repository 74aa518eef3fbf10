#include "plain_server.h"

#include <gio/gio.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "shop_pages.h"

namespace zovaz::shop {

namespace {

std::string Attachment(const std::string& name, const std::string& body, size_t announced) {
  return "HTTP/1.0 200 OK\r\nContent-Type: application/pdf\r\nContent-Length: " +
         std::to_string(announced) + "\r\nContent-Disposition: attachment; filename=\"" + name +
         "\"\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

// GLib's threaded socket service accepts on a main loop of the server's own
// (the tests' threads run no GLib loop of their own) and serves each
// connection on a thread of its pool. One cancellable ends every read and
// write at Stop.
struct PlainServer::State {
  mutable std::mutex mutex;
  std::condition_variable idle;
  std::vector<std::string> requests;
  int port = -1;
  int serving = 0;  // connections whose handler has not returned
  GMainContext* context = nullptr;
  GMainLoop* loop = nullptr;
  GSocketService* service = nullptr;
  GCancellable* stopping = nullptr;
  std::thread thread;

  // Counted as it is accepted, on the loop's thread, so that once the loop
  // has ended no connection can still be on its way to a worker.
  static gboolean Incoming(GSocketService*, GSocketConnection*, GObject*, gpointer self) {
    auto* state = static_cast<State*>(self);
    std::lock_guard<std::mutex> lock(state->mutex);
    ++state->serving;
    return FALSE;  // the service goes on to hand it to a worker
  }

  static gboolean Run(GThreadedSocketService*, GSocketConnection* connection, GObject*,
                      gpointer self) {
    auto* state = static_cast<State*>(self);
    state->Serve(connection);
    g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
    std::lock_guard<std::mutex> lock(state->mutex);
    --state->serving;
    state->idle.notify_all();
    return TRUE;
  }

  void Send(GSocketConnection* connection, const std::string& data) {
    g_output_stream_write_all(g_io_stream_get_output_stream(G_IO_STREAM(connection)), data.data(),
                              data.size(), nullptr, stopping, nullptr);
  }

  void Serve(GSocketConnection* connection) {
    GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      const gssize n = g_input_stream_read(in, buffer, sizeof buffer, stopping, nullptr);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(path);
    }
    const std::string pdf = InvoicePdf();
    if (path == "/invoice/cut-off.pdf") {
      // Short of its announced length, which HTTP/1.0 clients may take as
      // the end of the body.
      Send(connection, Attachment("cut-off.pdf", pdf.substr(0, pdf.size() / 2), pdf.size()));
    } else if (path == "/invoice/whole.pdf") {
      Send(connection, Attachment("whole.pdf", pdf, pdf.size()));
    } else if (path == "/to-file") {
      Send(connection, "HTTP/1.0 302 Found\r\nLocation: file:///etc/hostname\r\n\r\n");
    } else if (path == "/hanging-image") {
      Send(connection,
           "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
           "<p id=\"text\">Obrázek se načítá</p><img src=\"/silent/obrazek.png\">");
    } else if (path.rfind("/silent/", 0) == 0) {
      // Holds the connection open, answering nothing, until the server stops.
      while (g_input_stream_read(in, buffer, sizeof buffer, stopping, nullptr) > 0) {
      }
    } else {
      Send(connection, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    }
  }
};

PlainServer::PlainServer() : state_(std::make_unique<State>()) {}

PlainServer::~PlainServer() { Stop(); }

int PlainServer::Start(int port) {
  State& state = *state_;
  if (state.service != nullptr) return state.port;
  GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
  GSocketAddress* address = g_inet_socket_address_new(loopback, static_cast<guint16>(port));
  g_object_unref(loopback);
  // Silent connections hold their thread until Stop, so the pool may grow.
  GSocketService* service = g_threaded_socket_service_new(-1);
  GSocketAddress* bound = nullptr;
  const bool listening =
      g_socket_listener_add_address(G_SOCKET_LISTENER(service), address, G_SOCKET_TYPE_STREAM,
                                    G_SOCKET_PROTOCOL_TCP, nullptr, &bound, nullptr);
  g_object_unref(address);
  if (!listening) {
    g_object_unref(service);
    return -1;
  }
  state.port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
  g_object_unref(bound);
  state.service = service;
  state.stopping = g_cancellable_new();
  g_signal_connect(service, "incoming", G_CALLBACK(&State::Incoming), &state);
  g_signal_connect(service, "run", G_CALLBACK(&State::Run), &state);
  state.context = g_main_context_new();
  state.loop = g_main_loop_new(state.context, FALSE);
  std::promise<void> accepting;
  auto started = accepting.get_future();
  state.thread = std::thread([&state, &accepting] {
    // The service accepts on the context that is the thread's default when
    // it starts.
    g_main_context_push_thread_default(state.context);
    g_socket_service_start(state.service);
    accepting.set_value();
    g_main_loop_run(state.loop);
    g_main_context_pop_thread_default(state.context);
  });
  started.wait();
  return state.port;
}

void PlainServer::Stop() {
  State& state = *state_;
  if (state.service == nullptr) return;
  // Stopped and closed from the loop that accepts, so no accept is left
  // half-done; then every connection's read or write is cut.
  g_main_context_invoke(
      state.context,
      [](gpointer self) -> gboolean {
        auto* s = static_cast<State*>(self);
        g_socket_service_stop(s->service);
        g_socket_listener_close(G_SOCKET_LISTENER(s->service));
        g_main_loop_quit(s->loop);
        return G_SOURCE_REMOVE;
      },
      &state);
  state.thread.join();
  g_cancellable_cancel(state.stopping);
  {
    std::unique_lock<std::mutex> lock(state.mutex);
    state.idle.wait(lock, [&] { return state.serving == 0; });
  }
  g_object_unref(state.service);
  g_object_unref(state.stopping);
  g_main_loop_unref(state.loop);
  g_main_context_unref(state.context);
  state.service = nullptr;
  state.stopping = nullptr;
  state.loop = nullptr;
  state.context = nullptr;
}

std::string PlainServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(state_->port);
}

std::vector<std::string> PlainServer::Requests() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->requests;
}

}  // namespace zovaz::shop
