#!/usr/bin/python3
"""A mail server for the tests: takes every message on ADDRESS:PORT and saves
it, byte for byte as the client sent it (dot-stuffing undone), as
<folder>/<n>.eml, with the envelope in <n>.envelope. Runs until killed."""
import asyncio
import os
import signal
import sys

from aiosmtpd.controller import Controller


class SaveRaw:
    def __init__(self, folder):
        self.folder = folder
        self.count = len([n for n in os.listdir(folder) if n.endswith(".eml")])

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%06d" % self.count)
        with open(base + ".envelope.tmp", "w") as f:
            f.write("HELO %s\nMAIL FROM %s\nRCPT TO %s\n" % (session.host_name, envelope.mail_from,
                                                          " ".join(envelope.rcpt_tos)))
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".envelope.tmp", base + ".envelope")
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 Message accepted"


def main():
    address, port, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    controller = Controller(SaveRaw(folder), hostname=address, port=port)
    controller.start()
    stop = asyncio.Event()
    loop = asyncio.new_event_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    loop.run_until_complete(stop.wait())
    controller.stop()


if __name__ == "__main__":
    main()
