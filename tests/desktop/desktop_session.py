"""A private desktop for one test: a virtual X screen (Xvfb) or a headless Wayland compositor
(weston), a session bus of its own on which the accessibility bus starts when asked for, and the
programs the test starts there. Everything it starts is ended when the `with` block is left, also
on failure: each process is started in a process group of its own, and whatever the session bus
started on its own (the accessibility bus and its registry) carries the session's private runtime
folder in its environment, by which it is found and ended too.
"""

import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

# Generous bounds for a loaded machine; every wait polls a condition and returns as soon as it holds.
START_SECONDS = 30


class SessionError(Exception):
    pass


def wait_until(condition, seconds=START_SECONDS, what="a condition"):
    """Polls `condition` until it returns something true, which is returned; raises after `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise SessionError(f"timed out after {seconds} s waiting for {what}")
        time.sleep(0.05)


def _read_line_from(process, fd, what):
    """The first line a starting process writes on `fd`: its display or bus address."""
    text = b""
    deadline = time.monotonic() + START_SECONDS
    while not text.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or process.poll() is not None:
            raise SessionError(f"{what} did not start")
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                raise SessionError(f"{what} closed its pipe before saying where it listens")
            text += chunk
    return text.decode().strip()


class DesktopSession:
    """kind: "x11" (Xvfb, with the accessibility bus) or "wayland" (headless weston)."""

    def __init__(self, kind="x11", screen="1280x1024"):
        self.kind = kind
        self.screen = screen
        self.processes = []
        self.env = {}
        self.folder = None

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="tensilo-desktop-")
        runtime = os.path.join(self.folder, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.folder,
            "XDG_RUNTIME_DIR": runtime,
            "LANG": "C.UTF-8",
            # The programs started here find themselves by this; nothing outside the session has it.
            "TENSILO_DESKTOP_SESSION": self.folder,
        }
        try:
            # The display first: what the bus starts (the accessibility registry, which sends
            # the keys a test presses) takes the display from the bus's environment.
            if self.kind == "x11":
                self._start_xvfb()
            else:
                self._start_weston()
            self._start_bus()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            _end_group(process)
        self.processes.clear()
        _end_marked_processes(self.folder)
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
        return False

    def start(self, command, extra_env=None, **popen_args):
        """Starts a program on this desktop, in a process group of its own."""
        env = dict(self.env, **(extra_env or {}))
        process = subprocess.Popen(command, env=env, start_new_session=True, **popen_args)
        self.processes.append(process)
        return process

    def _start_with_fd(self, command_for_fd, what):
        read_fd, write_fd = os.pipe()
        try:
            process = self.start(command_for_fd(write_fd), pass_fds=(write_fd,),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_fd)
            write_fd = -1
            return _read_line_from(process, read_fd, what)
        finally:
            os.close(read_fd)
            if write_fd >= 0:
                os.close(write_fd)

    def _start_bus(self):
        address = self._start_with_fd(
            lambda fd: ["dbus-daemon", "--session", "--nofork", f"--print-address={fd}"],
            "the session bus (dbus-daemon)")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def _start_xvfb(self):
        display = self._start_with_fd(
            lambda fd: ["Xvfb", "-displayfd", str(fd), "-screen", "0", self.screen + "x24",
                        "-nolisten", "tcp"],
            "the virtual screen (Xvfb)")
        self.env.update({
            "DISPLAY": ":" + display,
            "QT_QPA_PLATFORM": "xcb",
            # Qt offers its accessibility tree on the bus only when asked for; here, always.
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        })

    def _start_weston(self):
        socket = "tensilo-wayland"
        width, height = self.screen.split("x")
        self.start(["weston", "--backend=headless-backend.so", f"--socket={socket}",
                    f"--width={width}", f"--height={height}", "--idle-time=0"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        path = os.path.join(self.env["XDG_RUNTIME_DIR"], socket)
        wait_until(lambda: os.path.exists(path), what="weston's socket " + path)
        self.env.update({"WAYLAND_DISPLAY": socket, "QT_QPA_PLATFORM": "wayland"})


def _end_group(process):
    """Ends a process and every process of its group: politely, then for sure."""
    group = process.pid
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(group, sig)
        except ProcessLookupError:
            pass
        try:
            process.wait(5)
            wait_until(lambda: not _group_members(group), seconds=5,
                       what=f"process group {group} to end")
            return
        except (subprocess.TimeoutExpired, SessionError):
            continue


def _group_members(group):
    """The processes of a process group that have not ended (zombies have)."""
    members = []
    for pid in _pids():
        try:
            with open(f"/proc/{pid}/stat", encoding="utf-8", errors="replace") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if fields[0] != "Z" and int(fields[2]) == group:
            members.append(pid)
    return members


def _end_marked_processes(folder):
    """Ends every process whose environment names this session's folder: what the session bus
    started on its own, in groups of their own."""
    if not folder:
        return
    marker = f"TENSILO_DESKTOP_SESSION={folder}".encode()
    for sig in (signal.SIGTERM, signal.SIGKILL):
        found = [pid for pid in _pids() if marker in _environment(pid)]
        for pid in found:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        if not found:
            return
        try:
            wait_until(lambda: not any(marker in _environment(pid) for pid in found), seconds=5,
                       what="the session's processes to end")
            return
        except SessionError:
            continue


def _pids():
    return [int(name) for name in os.listdir("/proc") if name.isdigit() and int(name) != os.getpid()]


def _environment(pid):
    try:
        with open(f"/proc/{pid}/environ", "rb") as environ:
            return environ.read().split(b"\0")
    except OSError:
        return []
