#include "connections.h"

#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace pavane::devserver {
namespace {

// Descriptors left to the rest of the server (standard streams, the log, the
// listening socket, the loop's own) when the limit is shared out.
constexpr rlim_t kReservedDescriptors = 16;
constexpr std::size_t kMaxConnections = 512;
// After a refusal what the client still sends is read and dropped for this
// long before the close: closing on unread bytes resets the connection, and
// the client's system may then drop the refusal before it is read.
constexpr std::chrono::milliseconds kLingerLimit{2000};

constexpr const char* kSocketKey = "pavane-devserver-connection";

// libsoup drops a connection whose request head passes its limit (64 KiB)
// without a word; the message keeps libsoup's own reason for it, translated
// as libsoup translates it.
bool HeadTooBig(SoupServerMessage* message) {
  const char* reason = soup_server_message_get_reason_phrase(message);
  return soup_server_message_get_method(message) == nullptr && reason != nullptr &&
         std::string_view(reason) == g_dgettext("libsoup-3.0", "Header too big");
}

void RemoveSource(guint& id) {
  if (id != 0) g_source_remove(id);
  id = 0;
}

}  // namespace

struct Connections::Connection {
  Connections* owner = nullptr;  // null once the owner is gone
  int fd = -1;                   // ours, for the same socket; -1 once closed
  bool busy = false;             // its request head is read and its answer under way
  bool evicted = false;          // shut to make room; libsoup closes it next
  bool lingering = false;        // libsoup is done with it; we drain, then close
  bool refusedBody = false;
  std::chrono::steady_clock::time_point since;  // accepted
  SoupServerMessage* message = nullptr;         // its request's, referenced
  std::size_t bodyBytes = 0;
  // The connection is shut when it reaches this: its request is not read in
  // time, or its answer not taken.
  std::chrono::steady_clock::time_point deadline;
  guint deadlineTimer = 0;
  guint peerWatch = 0;
  guint holdTimer = 0;
  guint drainWatch = 0;
  std::function<void()> afterHold;
};

Connections::Connections(SoupServer* server, RefusedLog refused)
    : server_(server), refused_(std::move(refused)) {
  handler_ =
      g_signal_connect(server, "request-started", G_CALLBACK(&Connections::OnRequestStarted), this);
}

Connections::~Connections() {
  g_signal_handler_disconnect(server_, handler_);
  for (const Ref& connection : open_) {
    connection->owner = nullptr;
    StopWaiting(*connection);
    RemoveSource(connection->deadlineTimer);
    RemoveSource(connection->drainWatch);
    if (connection->fd >= 0) close(connection->fd);
    connection->fd = -1;
    if (connection->message != nullptr) g_object_unref(connection->message);
    connection->message = nullptr;
  }
}

std::size_t Connections::Capacity() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return kMaxConnections;
  }
  if (limit.rlim_cur < kReservedDescriptors + 2) return 1;
  return std::min<std::size_t>(kMaxConnections, (limit.rlim_cur - kReservedDescriptors) / 2);
}

Connections::Ref Connections::Find(SoupServerMessage* message) const {
  GSocket* socket = soup_server_message_get_socket(message);
  if (socket == nullptr) return nullptr;
  const auto* known = static_cast<const Ref*>(g_object_get_data(G_OBJECT(socket), kSocketKey));
  return known != nullptr ? *known : nullptr;
}

Connections::Ref Connections::Adopt(GSocket* socket) {
  const int fd = fcntl(g_socket_get_fd(socket), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    // Without a descriptor to watch it by, the connection is not taken on.
    g_socket_shutdown(socket, TRUE, TRUE, nullptr);
    return nullptr;
  }
  auto connection = std::make_shared<Connection>();
  connection->owner = this;
  connection->fd = fd;
  g_object_set_data_full(G_OBJECT(socket), kSocketKey, new Ref(connection), OnSocketGone);
  open_.push_back(connection);
  return connection;
}

void Connections::OnRequestStarted(SoupServer*, SoupServerMessage* message, gpointer self) {
  auto& owner = *static_cast<Connections*>(self);
  GSocket* socket = soup_server_message_get_socket(message);
  if (socket == nullptr) return;
  const bool known = g_object_get_data(G_OBJECT(socket), kSocketKey) != nullptr;
  const Ref connection = known ? owner.Find(message) : owner.Adopt(socket);
  if (!connection || connection->fd < 0 || connection->lingering) return;

  Connection& c = *connection;
  if (c.message != nullptr) g_object_unref(c.message);
  c.message = SOUP_SERVER_MESSAGE(g_object_ref(message));
  c.busy = false;
  c.refusedBody = false;
  c.bodyBytes = 0;
  c.since = std::chrono::steady_clock::now();
  SetDeadline(c, kRequestLimit);
  CloseAfterAnswer(message);
  // No page reads a request body: none is kept.
  soup_message_body_set_accumulate(soup_server_message_get_request_body(message), FALSE);

  const auto drop = [](gpointer data, GClosure*) { delete static_cast<Ref*>(data); };
  const auto watch = [&](const char* signal, GCallback callback) {
    g_signal_connect_data(message, signal, callback, new Ref(connection), drop, GConnectFlags(0));
  };
  watch("got-headers", G_CALLBACK(+[](SoupServerMessage* m, gpointer data) {
          OnGotHeaders(*static_cast<Ref*>(data), m);
        }));
  watch("got-chunk", G_CALLBACK(+[](SoupServerMessage* m, GBytes* chunk, gpointer data) {
          OnGotChunk(*static_cast<Ref*>(data), m, chunk);
        }));
  watch("got-body", G_CALLBACK(+[](SoupServerMessage* m, gpointer data) {
          OnGotBody(*static_cast<Ref*>(data), m);
        }));
  watch("wrote-headers", G_CALLBACK(+[](SoupServerMessage* m, gpointer data) {
          OnWrote(*static_cast<Ref*>(data), m);
        }));
  watch("wrote-body-data", G_CALLBACK(+[](SoupServerMessage* m, guint, gpointer data) {
          OnWrote(*static_cast<Ref*>(data), m);
        }));
  watch("disconnected", G_CALLBACK(+[](SoupServerMessage* m, gpointer data) {
          OnDisconnected(*static_cast<Ref*>(data), m);
        }));

  if (!known) owner.MakeRoom(connection);
}

// One request per connection. libsoup 3.2 loses a connection kept open for
// a next request once anything but a request comes on it (its client closes
// it, say): it stops watching it and never closes it, and every connection
// a client has kept open and let go holds a descriptor for good.
void Connections::CloseAfterAnswer(SoupServerMessage* message) {
  soup_message_headers_replace(soup_server_message_get_response_headers(message), "Connection",
                               "close");
}

void Connections::MakeRoom(const Ref& newcomer) {
  const std::size_t capacity = Capacity();
  const auto counted = [this] {
    return static_cast<std::size_t>(
        std::count_if(open_.begin(), open_.end(), [](const Ref& c) { return !c->evicted; }));
  };
  while (counted() > capacity) {
    // A refused client's drain goes first, then the connection idle the
    // longest; a request being answered is never dropped for a newcomer.
    Ref victim;
    for (const Ref& c : open_) {
      if (c == newcomer || c->evicted || c->busy) continue;
      if (!victim || c->lingering > victim->lingering ||
          (c->lingering == victim->lingering && c->since < victim->since)) {
        victim = c;
      }
    }
    if (!victim) {
      refused_(nullptr, "503 too many connections at once");
      Answer(newcomer, "503 Service Unavailable", "Too many connections at once.\n");
      Evict(*newcomer);
      return;
    }
    if (victim->lingering) {
      Close(victim);
    } else {
      Evict(*victim);
    }
  }
}

void Connections::Evict(Connection& connection) {
  connection.evicted = true;
  // A request the client sent just before is still read from the socket's
  // buffer; a status keeps it from the pages, and its answer fails.
  SoupServerMessage* message = connection.message;
  if (message != nullptr && soup_server_message_get_method(message) == nullptr) {
    soup_server_message_set_status(message, 503, nullptr);
  }
  Shut(connection);
}

void Connections::OnGotHeaders(const Ref& connection, SoupServerMessage* message) {
  Connection& c = *connection;
  if (c.owner == nullptr || c.fd < 0 || message != c.message) return;
  c.busy = true;
  SoupMessageHeaders* headers = soup_server_message_get_request_headers(message);
  if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH &&
      soup_message_headers_get_content_length(headers) > static_cast<goffset>(kMaxBodyBytes)) {
    c.owner->RefuseBody(connection, message);
  }
}

void Connections::OnGotChunk(const Ref& connection, SoupServerMessage* message, GBytes* chunk) {
  Connection& c = *connection;
  if (c.owner == nullptr || c.fd < 0 || message != c.message || c.refusedBody) return;
  c.bodyBytes += g_bytes_get_size(chunk);
  if (c.bodyBytes > kMaxBodyBytes) c.owner->RefuseBody(connection, message);
}

void Connections::OnGotBody(const Ref& connection, SoupServerMessage* message) {
  if (message != connection->message) return;
  CloseAfterAnswer(message);  // again: a "100 Continue" clears the headers
  // The answer must start (unless it is held) and go on moving.
  SetDeadline(*connection, kStallLimit);
}

void Connections::OnWrote(const Ref& connection, SoupServerMessage* message) {
  // Pushed back without a timer of its own: a big answer is many writes.
  if (message == connection->message && connection->deadlineTimer != 0) {
    connection->deadline = std::chrono::steady_clock::now() + kStallLimit;
  }
}

void Connections::OnDisconnected(const Ref& connection, SoupServerMessage* message) {
  Connection& c = *connection;
  if (c.owner == nullptr || c.fd < 0 || c.lingering) return;
  if (message == c.message && HeadTooBig(message)) {
    // libsoup has closed its descriptor; ours still reaches the client.
    c.owner->refused_(message, "431 request head over 64 KiB");
    c.owner->Answer(connection, "431 Request Header Fields Too Large",
                    "The request line and headers are over 64 KiB.\n");
    Linger(c);
    return;
  }
  c.owner->Close(connection);
}

void Connections::RefuseBody(const Ref& connection, SoupServerMessage* message) {
  connection->refusedBody = true;
  refused_(message, "413 request body over 1 MiB");
  constexpr std::string_view kText = "The request body is over 1 MiB.\n";
  // The status set here keeps the request from the pages.
  soup_server_message_set_status(message, 413, nullptr);
  if (soup_message_headers_get_expectations(soup_server_message_get_request_headers(message)) &
      SOUP_EXPECTATION_CONTINUE) {
    // The client waits for a word before it sends the body; libsoup gives it.
    soup_server_message_set_response(message, "text/plain; charset=utf-8", SOUP_MEMORY_STATIC,
                                     kText.data(), kText.size());
    return;
  }
  // The client is sending its body now and reads the refusal while it does.
  // libsoup goes on reading what comes, keeping none of it, until the body
  // ends or the request's time is up; its own answer then fails, and it
  // closes the connection.
  Answer(connection, "413 Content Too Large", kText);
  shutdown(connection->fd, SHUT_WR);
}

void Connections::Answer(const Ref& connection, std::string_view status, std::string_view text) {
  const std::string bytes = "HTTP/1.1 " + std::string(status) +
                            "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                            std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" +
                            std::string(text);
  // A few hundred bytes on a connection that has had no answer yet: the
  // socket's buffer takes them whole.
  send(connection->fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void Connections::Linger(Connection& connection) {
  connection.lingering = true;
  connection.busy = false;
  StopWaiting(connection);
  if (connection.message != nullptr) g_object_unref(connection.message);
  connection.message = nullptr;
  shutdown(connection.fd, SHUT_WR);
  connection.drainWatch = g_unix_fd_add(connection.fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                        OnDrain, &connection);
  SetDeadline(connection, kLingerLimit);
}

gboolean Connections::OnDrain(gint fd, GIOCondition, gpointer data) {
  auto& c = *static_cast<Connection*>(data);
  char buffer[16384];
  const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR))) return G_SOURCE_CONTINUE;
  c.drainWatch = 0;
  c.owner->Close(c.owner->Lookup(c));
  return G_SOURCE_REMOVE;
}

// The limits are the server's own timer rather than the socket's
// (g_socket_set_timeout), whose end libsoup 3.2 takes for no more than an
// error on some of its waits.
void Connections::SetDeadline(Connection& connection, std::chrono::milliseconds limit) {
  RemoveSource(connection.deadlineTimer);
  connection.deadline = std::chrono::steady_clock::now() + limit;
  connection.deadlineTimer =
      g_timeout_add(static_cast<guint>(limit.count()), OnDeadline, &connection);
}

gboolean Connections::OnDeadline(gpointer data) {
  auto& c = *static_cast<Connection*>(data);
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(c.deadline - std::chrono::steady_clock::now());
  if (left.count() > 0) {
    c.deadlineTimer = g_timeout_add(static_cast<guint>(left.count()), OnDeadline, &c);
  } else if (c.lingering) {
    c.deadlineTimer = 0;
    c.owner->Close(c.owner->Lookup(c));
  } else {
    c.deadlineTimer = 0;
    Shut(c);
  }
  return G_SOURCE_REMOVE;
}

void Connections::Hold(SoupServerMessage* message, std::optional<std::chrono::milliseconds> delay,
                       std::function<void()> then) {
  soup_server_message_pause(message);
  const Ref connection = Find(message);
  if (!connection || connection->fd < 0) {
    // Not a connection of ours (none is taken on without its descriptor):
    // the delay is not kept.
    if (delay && then) then();
    return;
  }
  Connection& c = *connection;
  StopWaiting(c);
  RemoveSource(c.deadlineTimer);
  c.afterHold = std::move(then);
  if (delay) c.holdTimer = g_timeout_add(static_cast<guint>(delay->count()), OnHoldOver, &c);
  c.peerWatch = g_unix_fd_add(c.fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), OnPeer, &c);
}

gboolean Connections::OnHoldOver(gpointer data) {
  auto& c = *static_cast<Connection*>(data);
  const Ref keep = c.owner->Lookup(c);  // `then` may close the connection
  c.holdTimer = 0;
  RemoveSource(c.peerWatch);
  const std::function<void()> then = std::move(c.afterHold);
  c.afterHold = nullptr;
  if (then) then();
  // Unless held again, the answer is under way and must move.
  if (c.fd >= 0 && c.peerWatch == 0) SetDeadline(c, kStallLimit);
  return G_SOURCE_REMOVE;
}

gboolean Connections::OnPeer(gint fd, GIOCondition, gpointer data) {
  auto& c = *static_cast<Connection*>(data);
  char byte = 0;
  const ssize_t got = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
  c.peerWatch = 0;
  // The client wrote again, so it is still there: the wait goes on, unwatched.
  if (got > 0) return G_SOURCE_REMOVE;
  // The client went away; nobody waits for the answer any more. libsoup
  // fails to write it and closes the connection.
  StopWaiting(c);
  Shut(c);
  if (c.message != nullptr) soup_server_message_unpause(c.message);
  return G_SOURCE_REMOVE;
}

void Connections::Cut(SoupServerMessage* message, std::string_view bytes) {
  const Ref connection = Find(message);
  GIOStream* stream = soup_server_message_steal_connection(message);
  if (stream != nullptr) {
    g_output_stream_write_all(g_io_stream_get_output_stream(stream), bytes.data(), bytes.size(),
                              nullptr, nullptr, nullptr);
    g_io_stream_close(stream, nullptr, nullptr);
    g_object_unref(stream);
  }
  if (connection) Close(connection);
}

void Connections::Shut(Connection& connection) {
  if (connection.fd >= 0) shutdown(connection.fd, SHUT_RDWR);
}

void Connections::StopWaiting(Connection& connection) {
  RemoveSource(connection.peerWatch);
  RemoveSource(connection.holdTimer);
  connection.afterHold = nullptr;
}

Connections::Ref Connections::Lookup(const Connection& connection) const {
  for (const Ref& c : open_) {
    if (c.get() == &connection) return c;
  }
  return nullptr;
}

void Connections::Close(const Ref& connection) {
  if (!connection) return;
  const Ref keep = connection;  // `connection` may be one of `open_`'s own
  Connection& c = *keep;
  StopWaiting(c);
  RemoveSource(c.deadlineTimer);
  RemoveSource(c.drainWatch);
  if (c.fd >= 0) close(c.fd);
  c.fd = -1;
  if (c.message != nullptr) g_object_unref(c.message);
  c.message = nullptr;
  open_.erase(std::remove(open_.begin(), open_.end(), keep), open_.end());
}

void Connections::OnSocketGone(gpointer data) {
  const std::unique_ptr<Ref> connection(static_cast<Ref*>(data));
  // libsoup let the connection go without a word to us.
  Connection& c = **connection;
  if (c.owner != nullptr && c.fd >= 0 && !c.lingering) c.owner->Close(*connection);
}

}  // namespace pavane::devserver
