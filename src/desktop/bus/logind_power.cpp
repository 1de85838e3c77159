#include "desktop/bus/logind_power.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace taruk {

namespace {

constexpr int kCallTimeoutMs = 10'000;

struct ActionNames {
  const char* check;
  const char* request;
  const char* words;  // for messages: "shut down the system"
};

ActionNames NamesOf(PowerAction action) {
  switch (action) {
    case PowerAction::ShutDown:
      return {"CanPowerOff", "PowerOff", "shut down the system"};
    case PowerAction::Suspend:
      return {"CanSuspend", "Suspend", "suspend the system"};
    case PowerAction::Hibernate:
      return {"CanHibernate", "Hibernate", "hibernate the system"};
  }
  return {"CanPowerOff", "PowerOff", "shut down the system"};
}

QDBusMessage CallLogind(const char* method, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QString::fromLatin1(method));
  call.setArguments(arguments);
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    QDBusMessage none = call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                              QStringLiteral("no system D-Bus to reach systemd-logind"));
    return none;
  }
  return bus.call(call, QDBus::Block, kCallTimeoutMs);
}

QString ErrorText(const char* what, const QDBusMessage& reply) {
  QString text = QStringLiteral("systemd-logind: %1: ").arg(QString::fromLatin1(what));
  text += reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
  return text;
}

}  // namespace

QString LogindVerdict(PowerAction action, QString& failure) {
  const ActionNames names = NamesOf(action);
  const QDBusMessage reply = CallLogind(names.check, {});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
      !reply.arguments().first().canConvert<QString>()) {
    failure = reply.type() == QDBusMessage::ErrorMessage
                  ? ErrorText(names.check, reply)
                  : QStringLiteral("systemd-logind: %1: unexpected answer").arg(QString::fromLatin1(names.check));
    return {};
  }
  return reply.arguments().first().toString();
}

bool VerdictAllows(const QString& verdict) {
  return verdict == QLatin1String("yes") || verdict == QLatin1String("challenge");
}

QString RefusalText(PowerAction action, const QString& verdict) {
  const QString words = QString::fromLatin1(NamesOf(action).words);
  if (verdict == QLatin1String("na")) {
    return QStringLiteral("This machine cannot %1 (systemd-logind answers \"na\")").arg(words);
  }
  return QStringLiteral("This program is not allowed to %1 (systemd-logind answers \"%2\")").arg(words, verdict);
}

bool LogindRequest(PowerAction action, QString& failure) {
  const ActionNames names = NamesOf(action);
  const QDBusMessage reply = CallLogind(names.request, {QVariant(false)});
  if (reply.type() == QDBusMessage::ReplyMessage) return true;
  failure = ErrorText(names.request, reply);
  return false;
}

}  // namespace taruk
