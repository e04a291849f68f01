"""The record disk of a power-cut scenario: a fresh ext4 image that the guest mounts for the
service record, and what the host finds on it once QEMU was killed: the journal replayed as a
mount would replay it, the record taken out with debugfs and opened in the report by
merrowby-vm-report. No root needed: e2fsprogs works on the image file."""

import mmap
import os
import subprocess
import time

from rig import machine

SIZE = "32M"
RECORDS = "/merrowby/records"  # below the disk's root, which is the guest's XDG_DATA_HOME
# The record cut inside its last line, as a file system without ordered data could leave it:
# the part of that line kept.
PART_OF_LAST_LINE_KEPT = 0.5


def _direct_io_works(path):
    """Whether the host's file system takes O_DIRECT reads (tmpfs refuses the open)."""
    try:
        fd = os.open(path, os.O_RDONLY | os.O_DIRECT)
    except OSError:
        return False
    try:
        os.preadv(fd, [mmap.mmap(-1, mmap.PAGESIZE)], 0)
        return True
    except OSError:
        return False
    finally:
        os.close(fd)


class RecordDisk:
    def __init__(self, work, name):
        self.name = name
        self.image = work / f"{name}.img"
        self.script = f"/rig/alone/{name}.sh"
        self.cache = "none"
        self.found = work / f"{name}.jsonl"
        self.cut_short = work / f"{name}-cut-short.jsonl"

    def make(self):
        """A fresh file system with 4 KiB blocks, a page each, as on a desktop's disk."""
        for path in (self.image, self.found, self.cut_short):
            path.unlink(missing_ok=True)
        subprocess.run(["mkfs.ext4", "-q", "-F", "-b", "4096", str(self.image), SIZE],
                       capture_output=True, check=True)
        self.cache = "none" if _direct_io_works(self.image) else "writethrough"

    def _debugfs(self, request):
        return subprocess.run(["debugfs", "-R", request, str(self.image)], capture_output=True,
                              check=True).stdout

    def findings(self, build):
        """The scenario's files from the disk: "disk.replay" (e2fsck's journal replay: its exit
        status, then its words), "records" (the record files' names), "record.jsonl" (the record as found), "record.report" (it
        opened in the report) and "record-cut-short.report" (the same cut inside its last
        whole line)."""
        replay = subprocess.run(["e2fsck", "-p", "-E", "journal_only", str(self.image)],
                                capture_output=True, text=True)
        files = {"disk.replay": f"{replay.returncode}\n{replay.stdout}{replay.stderr}"}
        # "ls -p": /inode/mode/uid/gid/name/size/ per entry.
        listing = self._debugfs(f"ls -p {RECORDS}").decode(errors="replace")
        names = [line.split("/")[5] for line in listing.splitlines()
                 if line.count("/") >= 7 and line.split("/")[5].endswith(".jsonl")]
        files["records"] = "".join(name + "\n" for name in names)
        if len(names) != 1:
            return files
        record = self._debugfs(f"cat {RECORDS}/{names[0]}")
        files["record.jsonl"] = record.decode(errors="replace")
        self.found.write_bytes(record)
        files["record.report"] = _report(build, self.found)
        whole = record[:record.rfind(b"\n") + 1]
        last_start = whole.rfind(b"\n", 0, len(whole) - 1) + 1
        kept = last_start + int((len(whole) - last_start) * PART_OF_LAST_LINE_KEPT)
        self.cut_short.write_bytes(whole[:kept])
        files["record-cut-short.report"] = _report(build, self.cut_short)
        return files


def _report(build, path):
    program = build / "tests" / "vm" / "merrowby-vm-report"
    result = subprocess.run([str(program), str(path)], capture_output=True, text=True,
                            env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    # Its standard error (Qt's warnings) matters only when it failed: 1 is "no record".
    return result.stdout + (result.stderr if result.returncode not in (0, 1) else "")


def boot_and_cut(work, build, kernel, initrd, accel, lines, name):
    """Boots the guest with a fresh record disk for the power-cut scenario NAME, runs it alone
    until QEMU is killed at its cut, and adds the disk's findings to the scenario's files."""
    disk = RecordDisk(work, name)
    started = time.monotonic()
    for _ in range(2):
        disk.make()
        outcome = machine.boot_and_run(work, build, kernel, initrd, accel, lines, disk=disk)
        if outcome.scenarios:
            break
        print(f"vm: the guest never reached {name}; booting once more", flush=True)
    result = outcome.scenarios.get(name)
    if result is not None and result.cut:
        result.files.update(disk.findings(build))
    print(f"vm: {name}: disk cache={disk.cache}, user space after "
          f"{outcome.ready_seconds:.1f} s, cut and read after {time.monotonic() - started:.1f} s, "
          f"console log {outcome.console_path}", flush=True)
    return outcome
