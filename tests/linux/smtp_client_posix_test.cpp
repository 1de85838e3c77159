// The SMTP client's cases that stand on POSIX: a listener's full queue
// (Linux drops further connection requests, Windows refuses them) and the
// TZ rules of the C library.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>

#include "core/mail/mail_text.h"
#include "core/mail/smtp_client.h"

using namespace taruk;
using namespace std::chrono_literals;

TEST(SmtpClient, TheConnectEndsInItsOwnTimeOut) {
  {
    // A listener whose only queue place is taken drops further connection
    // requests, so the attempt hangs until the time-out.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int filler = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), size), 0);
    CSmtpClient client(L"127.0.0.1", ntohs(address.sin_port), {200ms, 2s, 2s});
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastError(), L"Timed out connecting to server");
    close(filler);
    close(listener);
  }
}

TEST(SmtpClient, DateIsEnglishLocalTimeWithTheZoneName) {
  const char* saved = getenv("TZ");
  const std::string previous = saved ? saved : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  EXPECT_EQ(FormatMailDate(0), L"Thu, 01 Jan 70 01:00:00 CET");
  EXPECT_EQ(FormatMailDate(1'720'000'000), L"Wed, 03 Jul 24 11:46:40 CEST");
  saved ? setenv("TZ", previous.c_str(), 1) : unsetenv("TZ");
  tzset();
}
