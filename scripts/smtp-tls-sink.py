#!/usr/bin/python3
"""Mail servers on 127.0.0.1 for the TLS tests, each saving what it takes as
smtp-sink.py does, into <folder>/<port>/. Certificates come from CERTS (made by
tls-certificates.sh). Runs until killed.
  587   STARTTLS required, then a sign-in (PLAIN or LOGIN) required
  465   TLS from the first byte, then a sign-in by LOGIN only
  2587  no STARTTLS at all: a client that wants TLS must not go on
  4465  TLS from the first byte with a certificate nobody trusts
  5465  as 465, asking for an optional client certificate, either mechanism
A sign-in takes the password "correct horse", or "Passwört" as UTF-8.
Every command a client sends in clear on 2587 is noted in <folder>/2587/commands."""
import asyncio
import os
import signal
import ssl
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

USER = b"alerts@example.com"
PASSWORDS = (b"correct horse", "Passwört".encode("utf-8"))

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
SaveRaw = __import__("smtp-sink").SaveRaw


class NoteCommands(SaveRaw):
    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.note("EHLO " + hostname)
        session.host_name = hostname
        return responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.note("MAIL FROM " + address)
        envelope.mail_from = address
        return "250 OK"

    def note(self, line):
        with open(os.path.join(self.folder, "commands"), "a") as f:
            f.write(line + "\n")


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == USER and auth_data.password in PASSWORDS
    return AuthResult(success=ok, handled=False)


def context(certs, name):
    c = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    c.load_cert_chain(os.path.join(certs, name + ".crt"), os.path.join(certs, name + ".key"))
    return c


def main():
    folder, certs = sys.argv[1], sys.argv[2]
    trusted, untrusted = context(certs, "server"), context(certs, "untrusted")
    asking = context(certs, "server")
    asking.verify_mode = ssl.CERT_OPTIONAL
    asking.load_verify_locations(os.path.join(certs, "ca.crt"))
    servers = [
        (587, dict(tls_context=trusted, require_starttls=True)),
        (465, dict(ssl_context=trusted, auth_exclude_mechanism=["PLAIN"])),
        (2587, dict()),
        (4465, dict(ssl_context=untrusted)),
        (5465, dict(ssl_context=asking)),
    ]
    controllers = []
    for port, options in servers:
        where = os.path.join(folder, str(port))
        os.makedirs(where, exist_ok=True)
        handler = NoteCommands(where) if port == 2587 else SaveRaw(where)
        # aiosmtpd counts only STARTTLS as TLS; on 465 the whole connection is.
        sign_in = dict(authenticator=authenticate, auth_required=True, auth_require_tls=port == 587) \
            if port in (587, 465, 5465) else dict()
        ssl_context = options.pop("ssl_context", None)
        controller = Controller(handler, hostname="127.0.0.1", port=port, ssl_context=ssl_context,
                                server_hostname="localhost", **options, **sign_in)
        controller.start()
        controllers.append(controller)
    stop = asyncio.Event()
    loop = asyncio.new_event_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    loop.run_until_complete(stop.wait())
    for controller in controllers:
        controller.stop()


if __name__ == "__main__":
    main()
