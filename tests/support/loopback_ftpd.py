"""A throwaway FTP server on 127.0.0.1 for tests.

Usage: loopback_ftpd.py PORT_FILE USER PASSWORD HOME LIFETIME_SECONDS

Like many FTP servers (and unlike pyftpdlib itself), it takes a pattern
such as "epoc.*" as the argument of LIST and lists the matching names of
that directory (an empty listing when none match).

Listens on a free port of 127.0.0.1 (chosen by the kernel), writes that port
into PORT_FILE once it accepts connections, lets USER with PASSWORD read and
write in HOME, and stops by itself after LIFETIME_SECONDS.
"""
import fnmatch
import glob
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import BufferedIteratorProducer, FTPHandler
from pyftpdlib.servers import FTPServer


class GlobbingHandler(FTPHandler):
    def ftp_LIST(self, path):
        directory, pattern = os.path.split(path)
        if not glob.has_magic(pattern):
            return FTPHandler.ftp_LIST(self, path)
        try:
            names = sorted(n for n in self.fs.listdir(directory) if fnmatch.fnmatchcase(n, pattern))
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return None
        producer = BufferedIteratorProducer(self.fs.format_list(directory, names))
        self.push_dtp_data(producer, isproducer=True, cmd="LIST")
        return path


def main():
    port_file, user, password, home, lifetime = sys.argv[1:6]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = GlobbingHandler
    handler.authorizer = authorizer
    handler.banner = "loopback test server ready."
    # A refused login is answered at once, not after the default 3 seconds.
    handler.auth_failed_timeout = 0.1
    # Data connections, passive and active, stay on the loopback address.
    handler.permit_foreign_addresses = False
    server = FTPServer(("127.0.0.1", 0), handler)
    signal.signal(signal.SIGALRM, lambda *_: os._exit(0))
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.alarm(int(lifetime))
    temporary = port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write("%d\n" % server.address[1])
    os.rename(temporary, port_file)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
