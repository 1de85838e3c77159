#include "linux/http/metrics_connection_guard.h"

#include <algorithm>

namespace taruk {

bool MetricsConnectionGuard::Admit(const std::string& address, std::vector<int>& toShut) {
  size_t open = 0;
  size_t fromAddress = 0;
  for (const auto& [id, connection] : connections) {
    if (connection.shut) continue;
    ++open;
    if (connection.address == address) ++fromAddress;
  }
  if (fromAddress >= limits.mostPerAddress) {
    const auto victim = LongestWaiting(&address);
    if (victim == connections.end()) return false;
    Shut(victim->second, toShut);
    return true;
  }
  if (open >= limits.mostConnections) {
    const auto victim = LongestWaiting(nullptr);
    if (victim == connections.end()) return false;
    Shut(victim->second, toShut);
  }
  return true;
}

void MetricsConnectionGuard::Started(Id id, int fd, const std::string& address, Clock::time_point now) {
  connections[id] = Connection{fd, address, true, now, now + limits.requestTime, false};
}

void MetricsConnectionGuard::RequestArrived(Id id, Clock::time_point now) {
  const auto found = connections.find(id);
  if (found == connections.end() || !found->second.waiting) return;
  found->second.waiting = false;
  found->second.deadline = now + limits.answerTime;
}

void MetricsConnectionGuard::AnswerDone(Id id, Clock::time_point now) {
  const auto found = connections.find(id);
  if (found == connections.end()) return;
  found->second.waiting = true;
  found->second.since = now;
  found->second.deadline = now + limits.requestTime;
}

void MetricsConnectionGuard::Closed(Id id) { connections.erase(id); }

std::vector<int> MetricsConnectionGuard::Overdue(Clock::time_point now) {
  std::vector<int> toShut;
  for (auto& [id, connection] : connections) {
    if (!connection.shut && connection.deadline <= now) Shut(connection, toShut);
  }
  return toShut;
}

MetricsConnectionGuard::Clock::time_point MetricsConnectionGuard::NextDeadline() const {
  Clock::time_point next = Clock::time_point::max();
  for (const auto& [id, connection] : connections) {
    if (!connection.shut) next = std::min(next, connection.deadline);
  }
  return next;
}

std::unordered_map<MetricsConnectionGuard::Id, MetricsConnectionGuard::Connection>::iterator
MetricsConnectionGuard::LongestWaiting(const std::string* address) {
  auto longest = connections.end();
  for (auto it = connections.begin(); it != connections.end(); ++it) {
    const Connection& connection = it->second;
    if (connection.shut || !connection.waiting || (address && connection.address != *address)) continue;
    if (longest == connections.end() || connection.since < longest->second.since) longest = it;
  }
  return longest;
}

void MetricsConnectionGuard::Shut(Connection& connection, std::vector<int>& toShut) {
  connection.shut = true;
  toShut.push_back(connection.fd);
}

}  // namespace taruk
