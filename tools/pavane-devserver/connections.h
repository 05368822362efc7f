// The devserver's connections from accept to close, and the limits that keep
// it answering when QA leaves it up for days while clients come and go, some
// of them badly: a browser's spare sockets, a script that trickles, an upload
// of gigabytes, a client that gives up on an answer that never comes.
//
// libsoup reads and answers; this holds, beside each connection libsoup
// accepts, a descriptor of its own for the same socket, so that it can answer
// what libsoup only drops, watch a client while its answer waits, and end
// connections without racing libsoup for descriptor numbers.
#pragma once

#include <libsoup/soup.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace pavane::devserver {

// Each connection carries one request: its answer says "Connection: close".
// From the connection's accept its request must be read whole within
// kRequestLimit, however it trickles; then its answer must start and go on
// moving, the client taking some of it at least every kStallLimit (unless
// the answer is held).
inline constexpr std::chrono::milliseconds kRequestLimit{3000};
inline constexpr std::chrono::seconds kStallLimit{3};
// A request body over this is refused with 413; none is kept in any case.
inline constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

class Connections {
 public:
  // `refused` writes the log line of a request refused here, `message` null
  // or without a method when its head could not be read.
  using RefusedLog = std::function<void(SoupServerMessage* message, std::string_view why)>;

  // Watches every connection `server` accepts from now on.
  Connections(SoupServer* server, RefusedLog refused);
  ~Connections();
  Connections(const Connections&) = delete;
  Connections& operator=(const Connections&) = delete;

  // Leaves `message` without an answer: for `delay`, then calls `then` (the
  // message still paused), or for ever when `delay` is empty. Either way the
  // wait ends, and the connection closes, when the client goes away.
  void Hold(SoupServerMessage* message, std::optional<std::chrono::milliseconds> delay,
            std::function<void()> then);

  // Writes `bytes` to the client as they are and closes the connection.
  void Cut(SoupServerMessage* message, std::string_view bytes);

  // The most connections kept open at once under the current descriptor
  // limit (each takes two descriptors). Past it the connection that has
  // waited longest for its request makes room for a newcomer, or, when all
  // are being answered, the newcomer is turned away with 503: libsoup stops
  // accepting for good after a single failed accept.
  static std::size_t Capacity();

 private:
  struct Connection;
  using Ref = std::shared_ptr<Connection>;

  static void OnRequestStarted(SoupServer* server, SoupServerMessage* message, gpointer self);
  static void OnGotHeaders(const Ref& connection, SoupServerMessage* message);
  static void OnGotChunk(const Ref& connection, SoupServerMessage* message, GBytes* chunk);
  static void OnGotBody(const Ref& connection, SoupServerMessage* message);
  static void OnWrote(const Ref& connection, SoupServerMessage* message);
  static void OnDisconnected(const Ref& connection, SoupServerMessage* message);
  static gboolean OnDeadline(gpointer connection);
  static gboolean OnHoldOver(gpointer connection);
  static gboolean OnPeer(gint fd, GIOCondition condition, gpointer connection);
  static gboolean OnDrain(gint fd, GIOCondition condition, gpointer connection);
  static void OnSocketGone(gpointer connection);

  Ref Find(SoupServerMessage* message) const;
  Ref Lookup(const Connection& connection) const;
  Ref Adopt(GSocket* socket);
  void MakeRoom(const Ref& newcomer);
  void RefuseBody(const Ref& connection, SoupServerMessage* message);
  void Answer(const Ref& connection, std::string_view status, std::string_view text);
  static void CloseAfterAnswer(SoupServerMessage* message);
  static void Linger(Connection& connection);
  static void SetDeadline(Connection& connection, std::chrono::milliseconds limit);
  static void Evict(Connection& connection);
  static void Shut(Connection& connection);
  static void StopWaiting(Connection& connection);
  void Close(const Ref& connection);

  SoupServer* server_;
  gulong handler_ = 0;
  RefusedLog refused_;
  std::vector<Ref> open_;  // oldest first
};

}  // namespace pavane::devserver
