#!/usr/bin/env python3
"""Both Debian packages from the build tree, installed, used and removed again.

packages_test.py BUILD_DIR E2E_DESKTOP SERVER_TESTS

Packs kelvra and kelvra-server (CPack), checks them with lintian and the metainfo with
appstreamcli, installs them with apt-get, runs the installed /usr/bin/kelvra through
the end-to-end shortcut and tray tests, starts the installed server as its systemd unit
would (its user, umask, environment and command line, without systemd) and runs the
protocol tests against it, reinstalls (an upgrade keeps the data), removes both and
checks that only the configuration and the server's data stay. Purged afterwards, so
nothing installed outlives the test. Needs root: skipped (77) otherwise.
"""
import fcntl
import glob
import os
import pwd
import re
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
SERVER_USER = "kelvra-server"
DATA_DIR = "/var/lib/kelvra-server"
CONFFILE = "/etc/kelvra-server/kelvra-server.conf"
UNIT = "/lib/systemd/system/kelvra-server.service"
METAINFO = "/usr/share/metainfo/com.orvane.Kelvra.metainfo.xml"
E2E_FILTER = "*Shortcuts.*:SettingsWindow.EachTab*:Arrange.TheTrayMenu*"
# The protocol cases that need no access to the server's inside.
PROTOCOL_FILTER = "Outside/ProtocolTest.*"
EMAIL, PASSWORD = "ada@example.org", "correct horse"


class Failed(Exception):
    pass


def run(argv, **kwargs):
    print("+", " ".join(argv), flush=True)
    return subprocess.run(argv, check=False, **kwargs)


def check(argv, **kwargs):
    result = run(argv, **kwargs)
    if result.returncode != 0:
        raise Failed(f"{argv[0]} exited with {result.returncode}")
    return result


def expect(condition, what):
    if not condition:
        raise Failed(what)


def pack(build_dir, out_dir):
    check(["cpack", "-G", "DEB", "-B", out_dir, "--config",
           os.path.join(build_dir, "CPackConfig.cmake")], cwd=build_dir,
          stdout=subprocess.DEVNULL)
    debs = {}
    for name in ("kelvra", "kelvra-server"):
        found = glob.glob(os.path.join(out_dir, f"{name}_*.deb"))
        expect(len(found) == 1, f"no {name} package in {out_dir}")
        debs[name] = found[0]
    return debs


# apt waits for the package database when another install holds it; dpkg cannot.
APT = ["apt-get", "-o", "DPkg::Lock::Timeout=300"]


def dpkg(arguments, checked=True):
    for _ in range(150):
        result = run(["dpkg"] + arguments, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if b"lock" not in result.stderr:
            break
        time.sleep(2)
    if checked and result.returncode != 0:
        raise Failed("dpkg " + " ".join(arguments) + ": " + result.stderr.decode())


def packaged_paths(deb):
    listing = check(["dpkg-deb", "--fsys-tarfile", deb], stdout=subprocess.PIPE).stdout
    names = subprocess.run(["tar", "-t"], input=listing, stdout=subprocess.PIPE,
                           check=True).stdout.decode().split()
    return ["/" + n.lstrip("./") for n in names if not n.endswith("/")]


def installed(package):
    status = run(["dpkg-query", "-W", "-f=${Status}", package], stdout=subprocess.PIPE,
                 stderr=subprocess.DEVNULL).stdout.decode()
    return "installed" in status.split()


def unit_settings(path):
    """The unit's [Service] keys, each with the list of its values in order."""
    keys, section = {}, None
    with open(path) as unit:
        for line in unit:
            line = line.strip()
            if not line or line.startswith(("#", ";")):
                continue
            if line.startswith("["):
                section = line
                continue
            if section == "[Service]" and "=" in line:
                key, value = line.split("=", 1)
                keys.setdefault(key, []).append(value)
    return keys


def service_environment(keys):
    """Environment= then EnvironmentFile=, as systemd reads them."""
    env = {}
    for value in keys.get("Environment", []):
        for assignment in shlex.split(value):
            name, _, text = assignment.partition("=")
            env[name] = text
    for value in keys.get("EnvironmentFile", []):
        optional = value.startswith("-")
        path = value.lstrip("-")
        if not os.path.exists(path):
            expect(optional, f"{path} is missing")
            continue
        with open(path) as f:
            for line in f:
                line = line.strip()
                if line and not line.startswith(("#", ";")) and "=" in line:
                    name, _, text = line.partition("=")
                    env[name.strip()] = text.strip()
    return env


def expand_command(command, env):
    """ExecStart's words: $NAME splits the value into words, ${NAME} is one word."""
    words = []
    for word in shlex.split(command):
        whole = re.fullmatch(r"\$([A-Za-z_][A-Za-z0-9_]*)", word)
        if whole:
            words += env.get(whole.group(1), "").split()
            continue
        words.append(re.sub(r"\$\{([A-Za-z_][A-Za-z0-9_]*)\}",
                            lambda m: env.get(m.group(1), ""), word))
    return words


def as_service_user(keys, argv):
    user = keys["User"][0]
    group = keys.get("Group", [user])[0]
    return ["setpriv", f"--reuid={user}", f"--regid={group}", "--init-groups",
            "--no-new-privs", "--"] + argv


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def set_conffile(name, value):
    with open(CONFFILE) as f:
        text = f.read()
    text, count = re.subn(rf"^{name}=.*$", f"{name}={value}", text, flags=re.M)
    expect(count == 1, f"{CONFFILE} sets no {name}")
    with open(CONFFILE, "w") as f:
        f.write(text)


def check_installed_files():
    for path in ("/usr/bin/kelvra", "/usr/bin/kelvra-server", "/usr/share/man/man1/kelvra.1.gz",
                 "/usr/share/man/man8/kelvra-server.8.gz", "/usr/share/applications/kelvra.desktop",
                 "/usr/share/kelvra/bridges/kwin/metadata.json", METAINFO, UNIT, CONFFILE):
        expect(os.path.exists(path), f"{path} was not installed")
    expect(os.stat(CONFFILE).st_mode & 0o777 == 0o600, f"{CONFFILE} is readable by others")
    info = os.stat(DATA_DIR)
    expect(info.st_uid == pwd.getpwnam(SERVER_USER).pw_uid and info.st_mode & 0o777 == 0o700,
           f"{DATA_DIR} is not the service user's alone")
    check(["appstreamcli", "validate", "--no-net", METAINFO])
    check(["/usr/bin/kelvra", "--version"])


def run_desktop_tests(e2e_desktop):
    env = dict(os.environ, KELVRA_TEST_PROGRAM="/usr/bin/kelvra")
    check([e2e_desktop, f"--gtest_filter={E2E_FILTER}"], env=env)


def run_server_tests(server_tests):
    keys = unit_settings(UNIT)
    # The operator's first steps: a listen address of their choosing, then an account.
    port = free_port()
    set_conffile("KELVRA_SERVER_LISTEN", f"127.0.0.1:{port}")
    check(as_service_user(keys, ["/usr/bin/kelvra-server", "--data", DATA_DIR, "add-user",
                                 EMAIL]), input=f"{PASSWORD}\n".encode(), cwd="/")

    env = service_environment(keys)
    argv = expand_command(keys["ExecStart"][0], env)
    expect(argv[0] == "/usr/bin/kelvra-server", f"the unit starts {argv[0]}")
    umask = int(keys.get("UMask", ["0022"])[0], 8)
    server = subprocess.Popen(as_service_user(keys, argv), stderr=subprocess.PIPE,
                              env=dict(env, PATH="/usr/bin:/bin"), cwd="/",
                              preexec_fn=lambda: os.umask(umask))
    print("+ started", argv, flush=True)
    try:
        line = server.stderr.readline().decode()
        expect(f"port {port}" in line, f"the server did not start: {line}")
        with open(f"/proc/{server.pid}/status") as status:
            uid = re.search(r"^Uid:\s+(\d+)", status.read(), re.M).group(1)
        expect(int(uid) == pwd.getpwnam(SERVER_USER).pw_uid, "the server runs as another user")
        check([server_tests, f"--gtest_filter={PROTOCOL_FILTER}"],
              env=dict(os.environ, KELVRA_TEST_SERVER=f"127.0.0.1:{port}"))
        database = os.path.join(DATA_DIR, "kelvra.db")
        expect(os.stat(database).st_mode & 0o777 == 0o600, f"{database} is readable by others")
    finally:
        server.send_signal(signal.SIGTERM)
        code = server.wait(timeout=20)
    expect(code == 0, f"the server ended with {code} on SIGTERM")


def check_upgrade_keeps_data(debs):
    # Installing over the installed version runs the upgrade path of the scripts.
    dpkg(["-i", debs["kelvra-server"]])
    check(["/usr/bin/kelvra-server", "--data", DATA_DIR, "tokens", EMAIL])
    with open(CONFFILE) as f:
        expect("KELVRA_SERVER_LISTEN=127.0.0.1:8080" not in f.read(),
               "the upgrade replaced the operator's configuration")


def check_removed(debs):
    left = []
    for deb in debs.values():
        left += [p for p in packaged_paths(deb) if os.path.lexists(p) and p != CONFFILE]
    expect(not left, "left after removal: " + ", ".join(left))
    expect(not os.path.exists("/usr/share/kelvra"), "/usr/share/kelvra is left")
    expect(os.path.exists(os.path.join(DATA_DIR, "kelvra.db")), "removal lost the server's data")
    expect(os.path.exists(CONFFILE), "removal lost the configuration")


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    build_dir, e2e_desktop, server_tests = map(os.path.abspath, sys.argv[1:])
    if os.geteuid() != 0:
        print("skipped: installing packages needs root")
        return SKIP
    # Other checkouts may run this test at the same time: one at a time on the machine.
    lock = open("/tmp/kelvra-packages-test.lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    for package in ("kelvra", "kelvra-server"):
        expect(not installed(package), f"{package} is installed already: remove it first")
    user_existed = True
    try:
        pwd.getpwnam(SERVER_USER)
    except KeyError:
        user_existed = False

    out_dir = tempfile.mkdtemp(prefix="kelvra-debs-")
    os.chmod(out_dir, 0o755)  # apt reads the files as its own user
    debs = pack(build_dir, out_dir)
    try:
        check(["lintian", "--fail-on", "error"] + list(debs.values()))
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        check(APT + ["install", "-y", "./" + os.path.basename(debs["kelvra"]),
               "./" + os.path.basename(debs["kelvra-server"])], cwd=out_dir, env=env)
        check_installed_files()
        run_desktop_tests(e2e_desktop)
        run_server_tests(server_tests)
        check_upgrade_keeps_data(debs)
        check(APT + ["remove", "-y", "kelvra", "kelvra-server"], env=env)
        check_removed(debs)
        # apt no longer knows packages installed from files once only their
        # configuration is left: dpkg purges them.
        dpkg(["--purge", "kelvra", "kelvra-server"])
        for path in (DATA_DIR, "/etc/kelvra-server"):
            expect(not os.path.exists(path), f"purging left {path}")
    finally:
        # Whatever failed, nothing installed stays behind on a shared machine.
        dpkg(["--purge", "kelvra", "kelvra-server"], checked=False)
        for path in (DATA_DIR, "/etc/kelvra-server"):
            shutil.rmtree(path, ignore_errors=True)
        if not user_existed:
            run(["deluser", "--quiet", "--system", SERVER_USER])
        shutil.rmtree(out_dir, ignore_errors=True)
    print("packages built, installed, used, removed and purged")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failed as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
