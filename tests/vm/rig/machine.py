"""The virtual machine and the two simulated cards behind its instrument lines.

Guest serial ports: ttyS0 the console (a pair of FIFOs: what the guest writes is kept in
console.log, and the host answers on it), ttyS1 a 16550 UART served by the "uart" card, ttyS2 a
UART with nothing behind it; the "usb" card serves an emulated USB serial adapter (ttyUSB0, id
"adapter" on the monitor). The guest's console lines are read as they come: "@@BEGIN/@@END
name" frame a scenario, "@@FILE name" and "| " lines carry its files, "@@HOST command" is
passed to the QEMU monitor. "@@CARD line options" gives that line's card these options in place
of those it has ("@@CARD line" alone: the line's own, as at boot), and the host answers on the
console "card line ok" once the card has them, or "card line refused: reason". At each
"@@HOST command" and "@@POINT name" the host notes how far each card's record has come, so
that a check can take what a card received after that point. "@@CUT name" (after the
scenario's "@@END") is a power cut: the host kills QEMU at once. "@@MARK text" lines and the
monitor's answers are kept with the host's monotonic time of their reading, for benchmarks.
"""

import os
import pathlib
import select
import shutil
import socket
import subprocess
import time

KVM_TEST_SECONDS = 8
RUN_LIMIT_SECONDS = 900
CARD_ANSWER_SECONDS = 10
POWER_OFF_SECONDS = 10
MONITOR_ID = "(qemu) "
# A fixed serial number, as a real adapter keeps in its memory: QEMU's own is made from the USB
# port, which a replugged adapter need not get again.
ADAPTER_DEVICE = "usb-serial,id=adapter,bus=xhci.0,chardev=usb,serial=MRW0001"


class ScenarioResult:
    def __init__(self):
        self.ended = False
        self.console = ""
        self.files = {}
        self.records = {}
        self.timeouts = []
        self.host = []  # (command, monitor answer)
        self.points = {}  # host command or point name: {line: offset in the record}
        self.times = []  # (host monotonic seconds, "answered COMMAND" or "mark TEXT")
        self.cut = False  # QEMU killed at the scenario's "@@CUT"
        self.cards = []  # (line, options asked for, the card's answer)


class Outcome:
    def __init__(self, console_path):
        self.console_path = console_path
        self.scenarios = {}
        self.ready_seconds = float("nan")


def _qemu_base(kernel, accel, append):
    return ["nice", "qemu-system-x86_64", "-accel", accel, "-machine", "pc", "-m", "1024",
            "-smp", "2", "-nodefaults", "-display", "none", "-no-reboot",
            "-kernel", str(kernel.image), "-append", append]


def working_accelerator(work, kernel):
    """KVM when it boots the kernel here, else TCG; the answer is kept in the build folder."""
    remembered = work / "accelerator"
    if remembered.exists():
        return remembered.read_text().strip()
    answer = "tcg"
    if os.access("/dev/kvm", os.R_OK | os.W_OK):
        command = _qemu_base(kernel, "kvm", "console=ttyS0 panic=-1") + ["-serial", "stdio"]
        with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL) as qemu:
            os.set_blocking(qemu.stdout.fileno(), False)
            deadline = time.monotonic() + KVM_TEST_SECONDS
            seen = b""
            while time.monotonic() < deadline and b"Linux version" not in seen:
                seen += qemu.stdout.read() or b""
                time.sleep(0.2)
            qemu.kill()
            if b"Linux version" in seen:
                answer = "kvm"
    remembered.write_text(answer + "\n")
    return answer


class Card:
    """merrowby-card-sim on a pseudo-terminal; what it receives goes to <line>.record."""

    def __init__(self, build, run_dir, line, options=()):
        self.record = run_dir / f"{line}.record"
        self.options = list(options)
        program = build / "tools" / "cardsim" / "merrowby-card-sim"
        with open(self.record, "wb") as record:
            self.process = subprocess.Popen([str(program), "--trace", "--exit-with-parent",
                                             "--options-from-stdin", *options],
                                            stdout=subprocess.PIPE, stderr=record,
                                            stdin=subprocess.PIPE)
        self.pty = self.process.stdout.readline().decode().strip()

    def change(self, options):
        """The card's answer to these options in place of its own ("ok" once it has them);
        None gives it back its own."""
        text = " ".join(self.options) if options is None else options
        try:
            self.process.stdin.write(text.encode() + b"\n")
            self.process.stdin.flush()
        except OSError as error:
            return f"not taken: {error}"
        ready, _, _ = select.select([self.process.stdout], [], [], CARD_ANSWER_SECONDS)
        if not ready:
            return f"no answer in {CARD_ANSWER_SECONDS} s"
        return self.process.stdout.readline().decode().strip()

    def size(self):
        return self.record.stat().st_size

    def read_from(self, offset):
        with open(self.record, "rb") as record:
            record.seek(offset)
            return record.read().decode(errors="replace")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Monitor:
    """The QEMU human monitor on a unix socket."""

    def __init__(self, path):
        self.path = path
        self.sock = None

    def command(self, text):
        if self.sock is None:
            self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.sock.connect(str(self.path))
            self._read_until_prompt()
        self.sock.sendall(text.encode() + b"\n")
        answer = self._read_until_prompt()
        # The monitor echoes the command line (with terminal escapes) before its answer.
        lines = answer.replace("\r", "").split("\n")[1:]
        return "\n".join(line for line in lines if line and not line.startswith(MONITOR_ID))

    def _read_until_prompt(self):
        received = b""
        self.sock.settimeout(30)
        while not received.endswith(MONITOR_ID.encode()):
            chunk = self.sock.recv(4096)
            if not chunk:
                break
            received += chunk
        return received.decode(errors="replace")

    def close(self):
        if self.sock is not None:
            self.sock.close()


DEVICE_RELEASE_SECONDS = 20


class ConsoleReader:
    """Follows the console line by line and sorts what it says into scenario results."""

    def __init__(self, outcome, cards, monitor, started, cut=None, answer=None):
        self.outcome = outcome
        self.cut = cut
        self.answer = answer  # writes a line to the guest's console
        self.cards = cards
        self.monitor = monitor
        self.started = started
        self.pending = b""
        self.current = None
        self.current_file = None
        self.offsets = {}
        self.done = False

    def feed(self, data):
        self.pending += data
        while b"\n" in self.pending:
            raw, self.pending = self.pending.split(b"\n", 1)
            self.line(raw.decode(errors="replace"))

    def line(self, raw):
        text = raw.rstrip("\r")
        if self.current is not None:
            self.current.console += raw + "\n"
        if text.startswith("| ") and self.current_file is not None:
            self.current.files[self.current_file] += text[2:] + "\n"
            return
        self.current_file = None
        # A program that writes to the console may leave bytes in front of a marker.
        text = text[text.find("@@"):] if "@@" in text else text
        if text.startswith("@@READY"):
            self.outcome.ready_seconds = time.monotonic() - self.started
        elif text.startswith("@@DONE"):
            self.done = True
        elif text.startswith("@@BEGIN "):
            self.begin(text.split(" ", 1)[1])
        elif text.startswith("@@END ") and self.current is not None:
            self.end()
        elif text.startswith("@@FILE ") and self.current is not None:
            self.current_file = text.split(" ", 1)[1]
            self.current.files[self.current_file] = ""
        elif text.startswith("@@HOST ") and self.current is not None:
            command = text.split(" ", 1)[1]
            self.mark_point(command)
            self.current.host.append((command, self.host_command(command)))
            self.current.times.append((time.monotonic(), "answered " + command))
        elif text.startswith("@@CARD ") and self.current is not None:
            self.change_card(text.split(" ", 1)[1])
        elif text.startswith("@@MARK ") and self.current is not None:
            self.current.times.append((time.monotonic(), "mark " + text.split(" ", 1)[1]))
        elif text.startswith("@@POINT ") and self.current is not None:
            self.mark_point(text.split(" ", 1)[1])
        elif text.startswith("@@TIMEOUT") and self.current is not None:
            self.current.timeouts.append(text[2:])
        elif text.startswith("@@CUT ") and self.cut is not None:
            self.cut()
            self.done = True
            self.outcome.scenarios[text.split(" ", 1)[1]].cut = True

    def host_command(self, command):
        """A monitor command; a device_add whose character device the device just deleted
        still holds (QEMU lets it go only once the guest has let the device go, and tells the
        human monitor nothing of it) is given again for up to DEVICE_RELEASE_SECONDS."""
        answer = self.monitor.command(command)
        deadline = time.monotonic() + DEVICE_RELEASE_SECONDS
        while "is in use" in answer and time.monotonic() < deadline:
            time.sleep(0.2)
            answer = self.monitor.command(command)
        return answer

    def begin(self, name):
        self.current = ScenarioResult()
        self.outcome.scenarios[name] = self.current
        self.offsets = {line: card.size() for line, card in self.cards.items()}

    def mark_point(self, name):
        self.current.points[name] = {line: card.size() - self.offsets[line]
                                     for line, card in self.cards.items()}

    def change_card(self, request):
        line, _, options = request.strip().partition(" ")
        card = self.cards.get(line)
        answer = card.change(options or None) if card else "refused: no such line"
        self.current.cards.append((line, options, answer))
        self.answer(f"card {line} {answer}\n")

    def end(self):
        for line, card in self.cards.items():
            self.current.records[line] = card.read_from(self.offsets[line])
        self.current.ended = True
        self.current = None


class Console:
    """The guest's console on a pair of FIFOs (QEMU's "pipe" character device): what the guest
    writes is read from console.out, and what the host writes to console.in the guest reads.
    The host holds both open for reading and writing, so that neither open waits for QEMU and
    no read ends at QEMU's exit."""

    def __init__(self, run_dir):
        self.path = run_dir / "console"
        for end in ("in", "out"):
            os.mkfifo(f"{self.path}.{end}")
        self.output = os.open(f"{self.path}.out", os.O_RDWR | os.O_NONBLOCK)
        self.input = os.open(f"{self.path}.in", os.O_RDWR | os.O_NONBLOCK)

    def read(self, timeout):
        """What the guest wrote, waited for up to timeout seconds; empty when nothing came."""
        ready, _, _ = select.select([self.output], [], [], timeout)
        return os.read(self.output, 65536) if ready else b""

    def write(self, text):
        os.write(self.input, text.encode())

    def close(self):
        os.close(self.output)
        os.close(self.input)


def _qemu_command(kernel, initrd, accel, run_dir, cards, disk=None):
    # no_timer_check: an emulated processor on a busy host can miss the IO-APIC timer test.
    append = "console=ttyS0 quiet loglevel=3 panic=-1 no_timer_check"
    if disk is not None:
        append += f" rig.script={disk.script}"
    return _qemu_base(kernel, accel, append) + _disk_options(disk) + [
        "-initrd", str(initrd),
        "-chardev", f"pipe,id=console,path={run_dir / 'console'}",
        "-serial", "chardev:console",
        "-chardev", f"serial,id=uart,path={cards['uart'].pty}",
        "-serial", "chardev:uart",
        "-serial", "null",
        "-device", "qemu-xhci,id=xhci",
        "-chardev", f"serial,id=usb,path={cards['usb'].pty}",
        "-device", ADAPTER_DEVICE,
        "-monitor", f"unix:{run_dir / 'monitor.sock'},server=on,wait=off",
    ]


def _disk_options(disk):
    """The record disk on virtio, with no cache of QEMU's own that the guest's flushes would
    not reach through: O_DIRECT where the host's file system allows it, else write-through."""
    if disk is None:
        return []
    return ["-drive", f"file={disk.image},format=raw,if=none,id=record,cache={disk.cache}",
            "-device", "virtio-blk-pci,drive=record"]


def boot_and_run(work, build, kernel, initrd, accel, lines, poll_seconds=0.05, disk=None):
    """Boots the guest and follows its console, kept in console.log; while it is quiet, whether
    QEMU still runs is seen every poll_seconds. With a disk (a recorddisk.RecordDisk), the
    guest runs the disk's script alone, and QEMU is killed at its "@@CUT"."""
    run_dir = work / ("run" if disk is None else f"run-{disk.name}")
    shutil.rmtree(run_dir, ignore_errors=True)
    run_dir.mkdir(parents=True)
    console_path = run_dir / "console.log"
    console = Console(run_dir)
    outcome = Outcome(console_path)
    cards = {line: Card(build, run_dir, line, lines[line].get("card", [])) for line in lines}
    monitor = Monitor(run_dir / "monitor.sock")
    started = time.monotonic()
    with open(run_dir / "qemu.log", "wb") as qemu_log:
        qemu = subprocess.Popen(_qemu_command(kernel, initrd, accel, run_dir, cards, disk),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=qemu_log)
    reader = ConsoleReader(outcome, cards, monitor, started, qemu.kill if disk else None,
                           console.write)
    try:
        with open(console_path, "wb") as log:
            while not reader.done and time.monotonic() - started < RUN_LIMIT_SECONDS:
                data = console.read(poll_seconds)
                if not data and qemu.poll() is not None:
                    while data := console.read(0):
                        log.write(data)
                        reader.feed(data)
                    reader.feed(b"\n")
                    break
                log.write(data)
                log.flush()
                reader.feed(data)
    finally:
        monitor.close()
        try:
            qemu.wait(timeout=POWER_OFF_SECONDS if reader.done else 0)
        except subprocess.TimeoutExpired:
            qemu.terminate()
            qemu.wait(timeout=30)
        for card in cards.values():
            card.stop()
        console.close()
    return outcome
