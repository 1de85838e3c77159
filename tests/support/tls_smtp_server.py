"""SMTP servers for the TLS mail tests, on 127.0.0.1:PORT, mail into MAILDIR.

Modes played by aiosmtpd:
  starttls      STARTTLS required before AUTH (PLAIN and LOGIN) and mail
  login-only    the same, offering AUTH LOGIN alone (as Microsoft 365 does)
  tls           TLS from the first byte, AUTH PLAIN and LOGIN
  no-starttls   no TLS at all: STARTTLS is not offered
Modes no real server plays, on a bare socket:
  inject        answers STARTTLS with 220 and, in the same write, a reply of
                its own before any handshake
  stall         accepts and then says nothing: a handshake that never ends

The one account: user "ann", password "s3cret pass:é".
Usage: tls_smtp_server.py MODE PORT MAILDIR CERT KEY
"""
import signal
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import AuthResult, LoginPassword

USER = b"ann"
PASSWORD = "s3cret pass:\u00e9".encode()


def authenticate(server, session, envelope, mechanism, data):
    if isinstance(data, LoginPassword) and data.login == USER and data.password == PASSWORD:
        return AuthResult(success=True)
    return AuthResult(success=False, handled=False)


def context(cert, key):
    tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    tls.load_cert_chain(cert, key)
    return tls


def aiosmtpd_server(mode, port, maildir, cert, key):
    options = dict(authenticator=authenticate, auth_required=True)
    if mode == "tls":
        # aiosmtpd counts only STARTTLS as TLS when it decides to offer AUTH.
        return Controller(Mailbox(maildir), hostname="127.0.0.1", port=port,
                          ssl_context=context(cert, key), auth_require_tls=False, **options)
    if mode == "no-starttls":
        return Controller(Mailbox(maildir), hostname="127.0.0.1", port=port, **options)
    if mode == "login-only":
        options["auth_exclude_mechanism"] = ["PLAIN"]
    return Controller(Mailbox(maildir), hostname="127.0.0.1", port=port,
                      tls_context=context(cert, key), require_starttls=True, **options)


def bare_server(mode, port):
    listener = socket.create_server(("127.0.0.1", port))

    def serve(connection):
        with connection:
            if mode == "stall":
                threading.Event().wait()
            reader = connection.makefile("rb")
            connection.sendall(b"220 bare ESMTP\r\n")
            reader.readline()  # EHLO
            connection.sendall(b"250-bare\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n")
            reader.readline()  # STARTTLS
            connection.sendall(b"220 go ahead\r\n250 injected before the handshake\r\n")
            threading.Event().wait(30)

    def accept():
        while True:
            connection, _ = listener.accept()
            threading.Thread(target=serve, args=(connection,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()


def main():
    mode, port, maildir, cert, key = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]
    if mode in ("inject", "stall"):
        bare_server(mode, port)
    else:
        aiosmtpd_server(mode, port, maildir, cert, key).start()
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    done.wait()


main()
