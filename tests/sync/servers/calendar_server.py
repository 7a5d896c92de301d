#!/usr/bin/python3
"""Runs a calendar server from Debian's packages on 127.0.0.1 for the sync tests, in a folder of its own.

calendar_server.py davical|cyrus FOLDER PORT USER PASSWORD

FOLDER is an empty temporary folder that holds every file of the server (its database, its settings, its
log in FOLDER/server.log); PORT is the free port it serves CalDAV on, over plain HTTP; USER and PASSWORD
are the account made on it. When the server takes requests, one line goes to standard output:
"ready URL PRINCIPAL", URL being the address a person types and PRINCIPAL the account's own address,
which python3-caldav needs (it does not look for the account from the server's root). The server stops, and every process it started with
it, when this program gets SIGTERM or SIGINT, when its standard input closes, or when the program that
started it ends. Run as root, everything runs as "nobody": PostgreSQL and Cyrus refuse to run as root.
Exits 2 with a line on standard error when a package is missing, 1 when the server would not start.
"""
import ctypes
import glob
import os
import pwd
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import time

START_SECONDS = 60
PR_SET_PDEATHSIG = 1
LIBC = ctypes.CDLL(None, use_errno=True)


class Missing(Exception):
    """A package the server needs is not installed."""


class Failed(Exception):
    """The server did not start; the text says where it stopped."""


def die_with_parent(sig=signal.SIGTERM):
    LIBC.prctl(PR_SET_PDEATHSIG, int(sig), 0, 0, 0)


class Supervisor:
    def __init__(self, folder, port, user, password):
        self.folder = os.path.abspath(folder)
        self.port = int(port)
        self.user = user
        self.password = password
        self.children = []  # (name, process, signal that stops it), in the order started
        self.log = open(os.path.join(self.folder, "server.log"), "ab", buffering=0)
        self.deadline = time.monotonic() + START_SECONDS

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def note(self, text):
        self.log.write((text + "\n").encode())

    def run(self, name, arguments, env=None, stdin=None):
        """Runs a set-up step to its end, inside the time left for the start."""
        self.note("$ " + " ".join(arguments))
        left = max(1.0, self.deadline - time.monotonic())
        try:
            done = subprocess.run(arguments, env=env, stdout=self.log, stderr=self.log, input=stdin,
                                  timeout=left, preexec_fn=die_with_parent)
        except subprocess.TimeoutExpired:
            raise Failed(f"{name} took longer than {START_SECONDS} seconds")
        except FileNotFoundError:
            raise Missing(arguments[0])
        if done.returncode != 0:
            raise Failed(f"{name} failed with exit code {done.returncode}")

    def spawn(self, name, arguments, stop_signal, env=None):
        self.note("$ " + " ".join(arguments) + " &")
        try:
            process = subprocess.Popen(arguments, env=env, stdin=subprocess.DEVNULL, stdout=self.log,
                                       stderr=self.log, preexec_fn=lambda: die_with_parent(stop_signal))
        except FileNotFoundError:
            raise Missing(arguments[0])
        self.children.append((name, process, stop_signal))
        return process

    def wait_for(self, name, ready):
        while time.monotonic() < self.deadline:
            for child, process, _ in self.children:
                if process.poll() is not None:
                    raise Failed(f"{child} ended with exit code {process.returncode}")
            if ready():
                return
            time.sleep(0.1)
        raise Failed(f"{name} was not ready within {START_SECONDS} seconds")

    def listening(self, port):
        with socket.socket() as probe:
            probe.settimeout(0.5)
            return probe.connect_ex(("127.0.0.1", port)) == 0

    def stop(self):
        for name, process, stop_signal in reversed(self.children):
            if process.poll() is None:
                process.send_signal(stop_signal)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    self.note(f"{name} did not stop within 10 seconds; killed")
                    process.kill()
                    process.wait()
        self.children.clear()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class DAViCal(Supervisor):
    """DAViCal over a private PostgreSQL cluster (Unix socket only) and an Apache with mod_php of its own."""

    DBA = "/usr/share/davical/dba"
    HTDOCS = "/usr/share/davical/htdocs"

    def start(self):
        if not os.path.isdir(self.HTDOCS) or not shutil.which("apache2", path="/usr/sbin"):
            raise Missing("davical or apache2")
        bins = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        php = glob.glob("/usr/lib/apache2/modules/libphp*.so")
        if not bins or not php:
            raise Missing("postgresql or libapache2-mod-php")
        pgbin = os.path.dirname(bins[-1])
        data, sockets = self.path("pg"), self.path("pgsocket")
        os.mkdir(sockets)
        # DAViCal's own settings name no host: libpq takes the private cluster from these, in the set-up
        # scripts and in Apache's PHP alike. The port only names the socket file.
        env = dict(os.environ, PGHOST=sockets, PGPORT="5432", PGUSER="postgres", LC_ALL="C.UTF-8")
        self.run("initdb", [pgbin + "/initdb", "-D", data, "-U", "postgres", "--auth=trust", "-E", "UTF8",
                            "--locale=C.UTF-8", "--no-sync"], env)
        self.spawn("postgres", [pgbin + "/postgres", "-D", data, "-k", sockets, "-p", "5432", "-c",
                                "listen_addresses=", "-c", "fsync=off", "-c", "synchronous_commit=off",
                                "-c", "full_page_writes=off"], signal.SIGINT, env)
        self.wait_for("postgres", lambda: os.path.exists(os.path.join(sockets, ".s.PGSQL.5432.lock"))
                      and subprocess.run([pgbin + "/pg_isready", "-q", "-h", sockets, "-p", "5432"],
                                         env=env).returncode == 0)
        # DAViCal's own script makes its database, its roles and the administrator.
        self.run("DAViCal's create-database.sh",
                 ["sh", self.DBA + "/create-database.sh", "davical", "admin-" + self.password], dict(
                     env, DBAOPTS=f"--dbhost {sockets} --dbport 5432"))
        # The person's account, made as DAViCal's administration pages make one ('**' marks a plain
        # password); the calendar home comes with the first request.
        quoted = self.password.replace("'", "''")
        self.run("the account", [pgbin + "/psql", "-qX", "-v", "ON_ERROR_STOP=1", "-d", "davical", "-c", (
            "INSERT INTO usr (active, email_ok, updated, username, password, fullname, email) VALUES "
            f"(TRUE, current_date, current_date, '{self.user}', '**{quoted}', 'Test person', "
            f"'{self.user}@example.net');"
            "INSERT INTO principal (type_id, user_no, displayname, default_privileges) "
            f"SELECT 1, user_no, 'Test person', 0::BIT(24) FROM usr WHERE username = '{self.user}';")], env)
        self.write_apache_config(php[0])
        self.spawn("apache2", ["/usr/sbin/apache2", "-f", self.path("apache", "apache2.conf"), "-DFOREGROUND"],
                   signal.SIGTERM, env)
        self.wait_for("apache2", lambda: self.listening(self.port))
        return f"http://127.0.0.1:{self.port}/", f"http://127.0.0.1:{self.port}/caldav.php/{self.user}/"

    def write_apache_config(self, php):
        root = self.path("apache")
        os.mkdir(root)
        modules = "/usr/lib/apache2/modules"
        loads = "\n".join(f"LoadModule {name}_module {modules}/mod_{name}.so" for name in (
            "mpm_prefork", "authz_core", "alias", "rewrite", "mime", "dir", "env"))
        with open(os.path.join(root, "apache2.conf"), "w", encoding="utf-8") as conf:
            conf.write(f"""ServerRoot "{root}"
ServerName 127.0.0.1
Listen 127.0.0.1:{self.port}
PidFile "{root}/apache2.pid"
DefaultRuntimeDir "{root}"
Mutex file:{root}
ErrorLog "{self.path('server.log')}"
LogLevel warn
{loads}
LoadModule php_module {php}
StartServers 2
MinSpareServers 1
MaxSpareServers 4
MaxRequestWorkers 8
TypesConfig /etc/mime.types
<FilesMatch "\\.php$">
    SetHandler application/x-httpd-php
</FilesMatch>
DocumentRoot "{self.HTDOCS}"
Alias /davical "{self.HTDOCS}"
<Directory "{self.HTDOCS}">
    DirectoryIndex index.php
    AllowOverride None
    Require all granted
</Directory>
RewriteEngine On
RewriteRule ^/\\.well-known/(.*)$ /caldav.php/.well-known/$1 [NC,PT]
""")


class Cyrus(Supervisor):
    """Cyrus IMAP with its CalDAV service, with settings, mail spool and password file of its own."""

    BIN = "/usr/lib/cyrus/bin"

    def start(self):
        if not os.path.exists(self.BIN + "/httpd") or not os.path.exists(self.BIN + "/master"):
            raise Missing("cyrus-imapd or cyrus-caldav")
        if not shutil.which("saslpasswd2"):
            raise Missing("sasl2-bin")
        for sub in ("conf", "conf/socket", "conf/proc", "conf/lock", "spool", "sieve", "tmp"):
            os.makedirs(self.path(sub), exist_ok=True)
        imap_port = free_port()
        sasldb = self.path("sasldb2")
        imapd_conf, cyrus_conf = self.path("imapd.conf"), self.path("cyrus.conf")
        admin, admin_password = "cyrusadmin", "admin-" + self.password
        with open(imapd_conf, "w", encoding="utf-8") as conf:
            conf.write(f"""configdirectory: {self.path('conf')}
defaultpartition: default
partition-default: {self.path('spool')}
proc_path: {self.path('conf', 'proc')}
mboxname_lockpath: {self.path('conf', 'lock')}
lmtpsocket: {self.path('conf', 'socket', 'lmtp')}
idlesocket: {self.path('conf', 'socket', 'idle')}
notifysocket: {self.path('conf', 'socket', 'notify')}
sievedir: {self.path('sieve')}
temp_path: {self.path('tmp')}
cyrus_user: {pwd.getpwuid(os.getuid()).pw_name}
servername: 127.0.0.1
admins: {admin}
allowplaintext: yes
sasl_pwcheck_method: auxprop
sasl_auxprop_plugin: sasldb
sasl_sasldb_path: {sasldb}
sasl_mech_list: PLAIN LOGIN
httpmodules: caldav
syslog_prefix: zentravio-test-cyrus
""")
        with open(cyrus_conf, "w", encoding="utf-8") as conf:
            conf.write(f"""START {{
    recover cmd="ctl_cyrusdb -C {imapd_conf} -r"
}}
SERVICES {{
    imap cmd="imapd -C {imapd_conf}" listen="127.0.0.1:{imap_port}" prefork=0 maxchild=10
    http cmd="httpd -C {imapd_conf}" listen="127.0.0.1:{self.port}" prefork=1 maxchild=10
}}
EVENTS {{
    checkpoint cmd="ctl_cyrusdb -C {imapd_conf} -c" period=30
}}
""")
        for name, secret in ((admin, admin_password), (self.user, self.password)):
            self.run("saslpasswd2", ["saslpasswd2", "-c", "-p", "-f", sasldb, "-u", "127.0.0.1", name],
                     stdin=secret.encode())
        self.spawn("master", [self.BIN + "/master", "-C", imapd_conf, "-M", cyrus_conf, "-p",
                              self.path("master.pid"), "-D"], signal.SIGTERM,
                   dict(os.environ, CYRUS_VERBOSE="0"))
        self.wait_for("cyrus master", lambda: self.listening(imap_port) and self.listening(self.port))
        # The person's mailbox, made over IMAP by the administrator; the calendar home comes with it.
        import imaplib
        with imaplib.IMAP4("127.0.0.1", imap_port, timeout=20) as imap:
            imap.login(admin, admin_password)
            _, listed = imap.list('""', '""')
            separator = re.search(rb'"(.)"', listed[0]).group(1).decode()
            mailbox = f"user{separator}{self.user}"
            kind, said = imap.create(mailbox)
            if kind != "OK":
                raise Failed(f"IMAP CREATE {mailbox} answered {kind} {said}")
        return f"http://127.0.0.1:{self.port}/", f"http://127.0.0.1:{self.port}/dav/principals/user/{self.user}/"


def drop_root(folder):
    """PostgreSQL and Cyrus refuse to run as root: the folder is given to "nobody", who runs the rest."""
    if os.getuid() != 0:
        return
    nobody = pwd.getpwnam("nobody")
    for parent, dirs, files in os.walk(folder):
        for name in [parent] + [os.path.join(parent, n) for n in dirs + files]:
            os.chown(name, nobody.pw_uid, nobody.pw_gid)
    os.setgroups([])
    os.setgid(nobody.pw_gid)
    os.setuid(nobody.pw_uid)
    os.environ.update(HOME=folder, USER="nobody", LOGNAME="nobody")
    # The change of user cleared the order to end with the test program: it is given again.
    parent = os.getppid()
    die_with_parent()
    if os.getppid() != parent:
        sys.exit(1)


def main():
    if len(sys.argv) != 6 or sys.argv[1] not in ("davical", "cyrus"):
        print(__doc__, file=sys.stderr)
        return 2
    kind, folder, port, user, password = sys.argv[1:]
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    signal.signal(signal.SIGINT, lambda *_: stop.append(1))
    drop_root(os.path.abspath(folder))
    os.chdir(folder)
    server = (DAViCal if kind == "davical" else Cyrus)(folder, port, user, password)
    try:
        started = time.monotonic()
        url, principal = server.start()
        server.note(f"ready in {time.monotonic() - started:.1f} s")
        print(f"ready {url} {principal}", flush=True)
        while not stop:
            readable, _, _ = select.select([sys.stdin], [], [], 0.5)
            if readable and not os.read(sys.stdin.fileno(), 4096):
                break
            if any(process.poll() is not None for _, process, _ in server.children):
                server.note("a server process ended on its own")
                break
        return 0
    except Missing as missing:
        print(f"not installed: {missing}", file=sys.stderr)
        return 2
    except (Failed, OSError) as failed:
        print(f"{kind} did not start: {failed} (see {server.path('server.log')})", file=sys.stderr)
        return 1
    finally:
        server.stop()


if __name__ == "__main__":
    sys.exit(main())
