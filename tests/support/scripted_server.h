#pragma once
// A TCP listener on 127.0.0.1 that serves one connection from a script: it
// sends the replies it is given, waits for the client's lines, hangs up or
// stops reading, and records every byte the client sent. With nothing left
// to play it stays silent and keeps recording until the client closes. It plays on a thread
// of its own; every wait of its own gives up after ten seconds, so a faulty
// client fails a test instead of hanging it.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_socket.h"

namespace taruk {

class ScriptedServer {
 public:
  ScriptedServer() = default;
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  // The script, played in order once the client is accepted; steps may be
  // added after Start() until then.
  ScriptedServer& Reply(std::string bytes);            // one send
  ScriptedServer& ReplyByteByByte(std::string bytes);  // one segment per byte
  ScriptedServer& AwaitLine();                         // the client's next line
  ScriptedServer& AwaitData();                         // up to the mail's terminator
  ScriptedServer& HangUp();                            // closes the connection
  ScriptedServer& Stall();                             // reads nothing more until Release()

  // Listens on a free port and starts playing. False when no listener could
  // be made.
  bool Start();
  uint16_t Port() const { return port; }

  // Waits until the script has been played and the client has closed the
  // connection (or the ten seconds passed), and returns what it sent.
  std::string Finish();
  // What the client has sent so far, while the script plays on.
  std::string Received();
  bool Accepted();
  // True when the client closed its end (rather than the server hanging up
  // or the wait running out).
  bool ClientClosed();
  void Release();

 private:
  enum class StepKind { Reply, ReplyByteByByte, AwaitLine, AwaitData, HangUp, Stall };
  struct Step {
    StepKind kind;
    std::string bytes;
  };

  void Play();
  bool ReadUntil(TestSocket fd, const std::string& marker, size_t& searchFrom);
  bool ReceiveMore(TestSocket fd);  // false once the client closed or went quiet

  std::vector<Step> script;
  TestSocket listener = kNoTestSocket;
  uint16_t port = 0;
  std::thread player;
  std::mutex guard;
  std::condition_variable released;
  std::string received;
  bool accepted = false;
  bool clientClosed = false;
  bool isReleased = false;
};

}  // namespace taruk
