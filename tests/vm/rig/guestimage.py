"""What the guest boots: Debian's kernel, unpacked from its package, and an initramfs of
busybox, the USB serial, virtio disk and ext4 modules, the programs with every library they
load, Qt's offscreen platform and SQLite plugins and one font. The kernel and the system part of the
initramfs are kept in the build folder; only the programs and the scenario scripts are packed
on each run."""

import json
import lzma
import os
import pathlib
import re
import shutil
import subprocess

GUEST_DIR = pathlib.Path(__file__).resolve().parents[1] / "guest"
PACKAGES = ["qemu-system-x86", "busybox-static", "cpio", "e2fsprogs"]
KERNEL_PACKAGE = "linux-image-amd64"
# The USB serial stack; the 8250 UART driver is built into Debian's kernel. Then the record
# disk's: virtio block on PCI and ext4, which asks the crypto layer for crc32c at mount.
MODULES = ["xhci-pci", "ftdi_sio", "virtio_pci", "virtio_blk", "crc32c_generic", "ext4"]
# Qt's plugins the programs load: the offscreen platform, and the SQLite driver of the history
# index.
QT_PLUGINS = [pathlib.Path("/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqoffscreen.so"),
              pathlib.Path("/usr/lib/x86_64-linux-gnu/qt6/plugins/sqldrivers/libqsqlite.so")]
FONT = pathlib.Path("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
LIBRARY_DIR = "usr/lib/x86_64-linux-gnu"


class Kernel:
    def __init__(self, root, version):
        self.root = root
        self.version = version
        self.image = root.parent / "vmlinux"
        self.modules = root / "lib" / "modules" / version


def install_packages(source_dir):
    subprocess.run([str(source_dir / "scripts" / "install-deps")] + PACKAGES, check=True)


# What the guest and the host run, from the build folder.
PROGRAMS = ["merrowby", "merrowby-card-sim", "merrowby-vm-probe", "merrowby-vm-window",
            "merrowby-vm-report"]


def build_programs(build):
    subprocess.run(["nice", "cmake", "--build", str(build), "-j2", "--target"] + PROGRAMS,
                   check=True)


def _kernel_package_name():
    """linux-image-amd64 is a metapackage: the versioned image it depends on."""
    for attempt in range(2):
        result = subprocess.run(["apt-cache", "depends", KERNEL_PACKAGE], capture_output=True,
                                text=True)
        match = re.search(r"Depends: (linux-image-[0-9]\S*)", result.stdout)
        if match:
            return match.group(1)
        if attempt == 0:
            subprocess.run(["apt-get", "update", "-qq"], check=True)
    raise RuntimeError(f"apt-cache knows no dependency of {KERNEL_PACKAGE}")


def _extract_vmlinux(bzimage, target):
    """The uncompressed kernel, which QEMU boots directly (PVH): decompressing the image
    inside an emulated machine takes longer than the whole rest of the boot."""
    data = bzimage.read_bytes()
    start = data.find(b"\xfd7zXZ\x00")
    if start < 0:
        raise RuntimeError(f"{bzimage} holds no xz-compressed kernel")
    target.write_bytes(lzma.LZMADecompressor(format=lzma.FORMAT_XZ).decompress(data[start:]))


def unpacked_kernel(work):
    """Debian's kernel package, fetched with apt-get download and unpacked with dpkg-deb."""
    root = work / "kernel" / "root"
    stamp = work / "kernel" / "version"
    if stamp.exists() and (work / "kernel" / "vmlinux").exists():
        kernel = Kernel(root, stamp.read_text().strip())
        if _has_modules(kernel):
            return kernel
    package = _kernel_package_name()
    download = work / "kernel" / "download"
    shutil.rmtree(work / "kernel", ignore_errors=True)
    download.mkdir(parents=True)
    os.chmod(download, 0o777)  # apt-get download may fetch as the user _apt
    subprocess.run(["apt-get", "download", package], cwd=download, check=True)
    deb = next(download.glob("*.deb"))
    subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
    deb.unlink()
    version = next((root / "lib" / "modules").iterdir()).name
    _extract_vmlinux(root / "boot" / f"vmlinuz-{version}", work / "kernel" / "vmlinux")
    kernel = Kernel(root, version)
    _keep_only_guest_modules(kernel)
    stamp.write_text(version + "\n")
    return kernel


def _keep_only_guest_modules(kernel):
    """The guest loads MODULES and what they depend on: the rest of the 450 MB package goes."""
    kept = kernel.root.parent / "kept"
    for _, path in _modules_in_load_order(kernel):
        target = kept / path.relative_to(kernel.modules)
        target.parent.mkdir(parents=True, exist_ok=True)
        path.rename(target)
    shutil.rmtree(kernel.root)
    kernel.modules.parent.mkdir(parents=True)
    kept.rename(kernel.modules)


def _has_modules(kernel):
    """Whether a kept kernel has every module the guest loads (MODULES may have grown)."""
    try:
        _modules_in_load_order(kernel)
    except KeyError:
        return False
    return True


def _module_files(kernel):
    return {path.name.split(".ko")[0].replace("_", "-"): path
            for path in kernel.modules.rglob("*.ko*")}


def _module_dependencies(path):
    # The kernel package has no modules.dep; each module names its own in .modinfo.
    match = re.search(rb"depends=([^\x00]*)\x00", path.read_bytes())
    names = match.group(1).decode() if match else ""
    return [name.replace("_", "-") for name in names.split(",") if name]


def _modules_in_load_order(kernel):
    files = _module_files(kernel)
    order = []

    def visit(name):
        if name in order:
            return
        for dependency in _module_dependencies(files[name]):
            visit(dependency)
        order.append(name)

    for name in MODULES:
        visit(name.replace("_", "-"))
    return [(name, files[name]) for name in order]


def _libraries(programs):
    """Every shared library the programs load, as (name the loader asks for, real file)."""
    found = {}
    for program in programs:
        output = subprocess.run(["ldd", str(program)], capture_output=True, text=True,
                                check=True).stdout
        for line in output.splitlines():
            match = re.match(r"\s*(\S+) => (/\S+)", line) or re.match(r"\s*(/\S+) \(", line)
            if match:
                path = match.groups()[-1]
                found[pathlib.Path(path).name] = os.path.realpath(path)
    return found


def _copy(source, target):
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(source, target)
    shutil.copymode(source, target)


def _pack(stage, archive):
    names = subprocess.run(["find", "."], cwd=stage, capture_output=True, check=True).stdout
    with open(archive, "wb") as out:
        subprocess.run(["cpio", "--quiet", "-o", "-H", "newc", "--owner", "0:0"], cwd=stage,
                       input=names, stdout=out, check=True)


def _stage_system(stage, kernel, libraries, modules):
    for directory in ["bin", "dev", "proc", "sys", "tmp", "etc", "rig/modules.d", "lib64"]:
        (stage / directory).mkdir(parents=True, exist_ok=True)
    _copy(pathlib.Path("/bin/busybox"), stage / "bin" / "busybox")
    for name, path in modules:
        _copy(path, stage / "rig" / "modules.d" / f"{name}.ko")
    (stage / "rig" / "modules").write_text("\n".join(name for name, _ in modules) + "\n")
    for name, path in libraries.items():
        _copy(pathlib.Path(path), stage / LIBRARY_DIR / name)
    (stage / "lib").symlink_to("usr/lib")
    (stage / "lib64" / "ld-linux-x86-64.so.2").symlink_to(
        f"/{LIBRARY_DIR}/ld-linux-x86-64.so.2")
    for plugin in QT_PLUGINS:
        _copy(plugin, stage / plugin.relative_to("/"))
    _copy(FONT, stage / FONT.relative_to("/"))
    shutil.copytree("/etc/fonts", stage / "etc" / "fonts", symlinks=True)


def _system_archive(work, kernel, programs):
    """busybox, modules, libraries, plugin and font: rebuilt only when their list changes."""
    modules = _modules_in_load_order(kernel)
    libraries = _libraries(programs + QT_PLUGINS)
    key = json.dumps({"kernel": kernel.version, "modules": [n for n, _ in modules],
                      "libraries": libraries, "plugins": [str(p) for p in QT_PLUGINS]}, sort_keys=True)
    archive = work / "system.cpio"
    stamp = work / "system.key"
    if archive.exists() and stamp.exists() and stamp.read_text() == key:
        return archive
    stage = work / "system"
    shutil.rmtree(stage, ignore_errors=True)
    _stage_system(stage, kernel, libraries, modules)
    _pack(stage, archive)
    shutil.rmtree(stage)
    stamp.write_text(key)
    return archive


def _scenario_script(scenarios):
    lines = []
    for scenario in scenarios:
        lines.append(f"begin {scenario['name']}")
        lines += scenario["steps"]
        lines.append("end")
    return "\n".join(lines) + "\n"


def _programs_archive(work, programs, scenarios, settings):
    from rig.checks import settings_list

    stage = work / "programs"
    shutil.rmtree(stage, ignore_errors=True)
    for program in programs:
        target = stage / "opt" / "merrowby" / "bin" / program.name
        target.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["strip", "--strip-debug", "-o", str(target), str(program)], check=True)
    _copy(GUEST_DIR / "init", stage / "init")
    _copy(GUEST_DIR / "steps.sh", stage / "rig" / "steps.sh")
    _copy(GUEST_DIR / "by-id-link", stage / "rig" / "by-id-link")
    _copy(GUEST_DIR / "mdev.conf", stage / "etc" / "mdev.conf")
    (stage / "rig" / "scenarios.sh").write_text(
        _scenario_script([s for s in scenarios if not s.get("power_cut")]))
    # A power cut ends the machine: each such scenario has a boot of its own, which runs
    # /rig/alone/NAME.sh in place of scenarios.sh.
    for scenario in scenarios:
        if scenario.get("power_cut"):
            alone = stage / "rig" / "alone" / f"{scenario['name']}.sh"
            alone.parent.mkdir(parents=True, exist_ok=True)
            alone.write_text(_scenario_script([scenario]))
    (stage / "rig" / "settings.txt").write_text("\n".join(settings_list(settings)) + "\n")
    archive = work / "programs.cpio"
    _pack(stage, archive)
    return archive


def initrd(work, build, kernel, scenarios, data):
    """The system archive followed by this run's programs and scenarios: the kernel unpacks
    concatenated archives in turn."""
    programs = [build / "app" / "merrowby", build / "tests" / "vm" / "merrowby-vm-probe",
                build / "tests" / "vm" / "merrowby-vm-window"]
    system = _system_archive(work, kernel, programs)
    run = _programs_archive(work, programs, scenarios, data["settings"])
    combined = work / "initrd.cpio"
    with open(combined, "wb") as out:
        for part in (system, run):
            with open(part, "rb") as source:
                shutil.copyfileobj(source, out)
    return combined
