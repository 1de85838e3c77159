#pragma once
// Who may hold a connection to the metrics server, and for how long. A
// connection has a fixed time from its start (or from its last answer) to
// deliver a whole request, and a fixed time to take the answer: bytes that
// trickle in do not buy more. When the connections, or those of one address,
// are all taken, a newcomer takes the place of the connection that has
// waited longest without a whole request, so that a scraper gets through
// while slow clients fill every place. The server shuts the descriptors this
// names down; the library then closes them.

#include <chrono>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace taruk {

struct MetricsConnectionLimits {
  size_t mostConnections = 16;
  size_t mostPerAddress = 8;
  // From the connection (or the end of the last answer on it) to the end of
  // the request's header.
  std::chrono::milliseconds requestTime{5000};
  // From the whole request to the answer handed over.
  std::chrono::milliseconds answerTime{10000};
};

class MetricsConnectionGuard {
 public:
  using Clock = std::chrono::steady_clock;
  using Id = const void*;

  explicit MetricsConnectionGuard(MetricsConnectionLimits limits) : limits(limits) {}
  const MetricsConnectionLimits& Limits() const { return limits; }

  // A new connection from `address` (its bytes, no port). False: refused,
  // every place is held by a connection being answered. Otherwise the
  // descriptors of the connections it displaces are added to `toShut`.
  bool Admit(const std::string& address, std::vector<int>& toShut);
  void Started(Id id, int fd, const std::string& address, Clock::time_point now);
  void RequestArrived(Id id, Clock::time_point now);
  void AnswerDone(Id id, Clock::time_point now);
  void Closed(Id id);

  // The descriptors of connections past their time, each named once.
  std::vector<int> Overdue(Clock::time_point now);
  // When the next connection runs out of time; Clock::time_point::max()
  // when none is open.
  Clock::time_point NextDeadline() const;

 private:
  struct Connection {
    int fd = -1;
    std::string address;
    bool waiting = true;      // for a whole request
    Clock::time_point since;  // the wait's start
    Clock::time_point deadline;
    bool shut = false;  // named already; no longer counted
  };

  // The open connection (of `address`, or of any when empty) that has waited
  // longest for a request; end() when none is waiting.
  std::unordered_map<Id, Connection>::iterator LongestWaiting(const std::string* address);
  void Shut(Connection& connection, std::vector<int>& toShut);

  const MetricsConnectionLimits limits;
  std::unordered_map<Id, Connection> connections;
};

}  // namespace taruk
