"""Scenario data: expansion per instrument line, and the checks of one scenario's outcome."""

import copy
import datetime
import json
import re


def _substitute(value, names):
    if isinstance(value, str):
        for key, text in names.items():
            value = value.replace("{" + key + "}", text)
        return value
    if isinstance(value, list):
        return [_substitute(item, names) for item in value]
    if isinstance(value, dict):
        return {_substitute(k, names): _substitute(v, names) for k, v in value.items()}
    return value


def _per_point(scenario, names):
    """The names once per point of "per_point" ({point} and the point's own), else as given."""
    points = scenario.get("per_point")
    if not points:
        return [names]
    return [{**names, "point": point, **values} for point, values in points.items()]


def expand_scenarios(data, only):
    """One scenario per line named in "per_line", with {line} and {device} filled in, and per
    point of "per_point", with {point} and the point's names filled in."""
    scenarios = []
    for scenario in data["scenarios"]:
        for line in scenario.get("per_line", [None]):
            names = {} if line is None else {"line": line, "device": data["lines"][line]["device"]}
            for point_names in _per_point(scenario, names):
                expanded = _substitute(copy.deepcopy(scenario), point_names)
                expanded["line"] = line
                expanded["settings_table"] = data["settings"]
                if not only or any(text in expanded["name"] for text in only):
                    scenarios.append(expanded)
    return scenarios


def settings_list(table):
    """Every combination of baud code, parity, data and stop bits, then each parity letter in
    the other case, as ten-character settings strings with pacing off."""
    texts = []
    for baud in table["baud"]:
        for parity in table["parity"]:
            for data in table["data"]:
                for stop in table["stop"]:
                    texts.append(f"{baud},{parity},{data},{stop},0")
    texts += [f"96,{parity},8,1,0" for parity in table["parity_either_case"]]
    return texts


def _in_order(patterns, lines):
    """The first pattern not found in order (each after the previous one's line), or None."""
    at = 0
    for pattern in patterns:
        expression = re.compile(pattern)
        while at < len(lines) and not expression.search(lines[at]):
            at += 1
        if at == len(lines):
            return pattern
        at += 1
    return None


def _without_time(lines):
    # Trace lines and the simulator's record start with a time stamp.
    return [line.split(" ", 1)[1] if " " in line else line for line in lines]


def _check_ordered(label, patterns, text, reasons, timed=True):
    lines = text.splitlines()
    missing = _in_order(patterns, _without_time(lines) if timed else lines)
    if missing is not None:
        reasons.append(f"{label}: no line matching '{missing}' in order")


def _check_absent(label, patterns, text, reasons):
    for pattern in patterns:
        found = re.search(pattern, text, re.MULTILINE)
        if found:
            reasons.append(f"{label}: unexpected {found.group(0)!r}")


def _check_settings(scenario, output, reasons):
    limits = scenario["expect"]["settings"][scenario["line"]]
    table = scenario["settings_table"]
    wanted = settings_list(table)
    results = {}
    for line in output.splitlines():
        match = re.match(r"SETTING (\S+) configured=(\d) stored=(\S*) (.*)$", line)
        if match:
            results[match.group(1)] = match.groups()[1:]
    bad = []
    for text in wanted:
        if text not in results:
            bad.append(f"{text} not tried")
            continue
        configured, stored, readback = results[text]
        baud, parity, data, stop = text.split(",")[:4]
        expected = (f"speed={table['baud'][baud]} parity={parity.lower()} data={data} "
                    f"stop={stop} flow=none")
        if int(data) in limits["unsupported_data_bits"] or parity.lower() in limits["unsupported_parity"]:
            # The driver cannot do it: the port must say so rather than claim the setting.
            if configured == "1" and readback != expected:
                bad.append(f"{text} accepted but the driver holds {readback}")
        elif configured != "1":
            bad.append(f"{text} refused")
        elif readback != expected or stored != text:
            bad.append(f"{text} stored {stored}, driver holds {readback}")
    if bad:
        reasons.append(f"settings: {len(bad)} of {len(wanted)} wrong, e.g. " + "; ".join(bad[:4]))


def _check_rts(conditions, output, reasons):
    match = re.search(r"^RTS (.*)$", output, re.MULTILINE)
    if not match:
        reasons.append("rts: no RTS line from the probe")
        return
    values = dict(item.split("=") for item in match.group(1).split())
    for key, condition in conditions.items():
        value = int(values.get(key, "-1"))
        operator, limit = condition[:-len(condition.lstrip("=<>"))], int(condition.lstrip("=<>"))
        holds = {"==": value == limit, ">": value > limit, "<": 0 <= value < limit}[operator]
        if not holds:
            reasons.append(f"rts: {key}={value}, wanted {condition}")


def _cpu_measurement(files, name):
    """The fields of NAME.cpu ("ticks=.. seconds=.. hz=.. alive=..") and its thread line."""
    lines = files.get(f"{name}.cpu", "").split("\n")
    fields = dict(item.split("=") for item in lines[0].split())
    return fields, lines[1].strip() if len(lines) > 1 else ""


def _over_one_percent(fields):
    """By the threads' CPU time where the guest has it; by clock ticks otherwise."""
    if int(fields.get("ns", "-1")) >= 0:
        return int(fields["ns"]) * 100 >= int(fields["seconds"]) * 1_000_000_000
    return int(fields["ticks"]) * 100 >= int(fields["seconds"]) * int(fields["hz"])


def _check_cpu(names, files, reasons):
    for name in names:
        fields, threads = _cpu_measurement(files, name)
        if not fields:
            reasons.append(f"cpu: {name} not measured")
            continue
        if _over_one_percent(fields):
            reasons.append(f"cpu: {name} used {fields['ticks']} ticks, "
                           f"{int(fields.get('ns', '-1')) // 1_000_000} ms, in {fields['seconds']} s "
                           f"({threads})")
        if fields["alive"] != "1":
            reasons.append(f"cpu: {name} was no longer running")


def _commands(record):
    # "TIME command TEXT"; a change of the card's options ("TIME options ...") is none.
    return re.findall(r"^\S+ command (.*)$", record, re.MULTILINE)


def _last_command(record):
    commands = _commands(record)
    return commands[-1] if commands else None


def _check_commands_after(wanted, result, reasons):
    """Exactly the commands each card received after a point the host noted (a monitor
    command or a guest's "@@POINT name"), in order: nothing stale, nothing missing."""
    for line, expected in wanted.items():
        offsets = result.points.get(expected["point"])
        if offsets is None:
            reasons.append(f"{line} card: no point '{expected['point']}' noted")
            continue
        received = _commands(result.records.get(line, "")[offsets[line]:])
        if received != expected["commands"]:
            reasons.append(f"{line} card: after '{expected['point']}' received {received}, "
                           f"wanted exactly {expected['commands']}")


def _record_lines(text):
    """The record's whole lines as events (None for a line that is not one), and the text
    after its last line end: empty, or a line cut off."""
    *whole, tail = text.split("\n")
    events = []
    for line in whole:
        try:
            event = json.loads(line)
        except ValueError:
            event = None
        events.append(event if isinstance(event, dict) and isinstance(event.get("event"), str)
                      else None)
    return events, tail


def _report_says(output):
    """merrowby-vm-report's "EVENT kind" lines, "NOTE text" lines and the rest."""
    said = {"EVENT": [], "NOTE": [], "other": []}
    for line in output.splitlines():
        kind, _, text = line.partition(" ")
        if kind in ("EVENT", "NOTE"):
            said[kind].append(text)
        else:
            said["other"].append(line)
    return said


def _check_report(label, output, events, notes, reasons):
    said = _report_says(output)
    if said["other"] or said["EVENT"] != events or said["NOTE"] != notes:
        reasons.append(f"{label}: opened in the report as {said['EVENT']} with notes "
                       f"{said['NOTE']} {' '.join(said['other'])}, wanted {events} with "
                       f"notes {notes}")


def _seconds_from(text, trace):
    """Seconds from the first trace line holding text to the trace's last line, or None."""
    stamped = [(datetime.datetime.fromisoformat(match.group(1)), line)
               for line in trace.splitlines()
               if (match := re.match(r"(\d{4}-\d\d-\d\dT[\d:.]+) ", line))]
    start = next((time for time, line in stamped if text in line), None)
    return None if start is None else (stamped[-1][0] - start).total_seconds()


def _check_record_after_cut(wanted, result, trace, reasons):
    """The record on the disk after the power cut: the events the trace notes as handed to
    the record ("event KIND", in order), every one it notes as on the disk ("on disk KIND")
    and perhaps some handed over after; each line whole but the last; opened in the report,
    with its note when the last line was cut off, and with the note when the same record is
    cut inside its last line. The trace must end soon enough after the record began that the
    guest's own writeback cannot have written it."""
    files = result.files
    if not result.cut:
        reasons.append("power cut: the machine was not cut")
        return
    span = _seconds_from("record file ", trace)
    if span is None or span > wanted["cut_within_seconds"]:
        reasons.append(f"power cut: the trace ran {span} s after the record began, wanted at "
                       f"most {wanted['cut_within_seconds']} (the guest writes back by itself)")
    if not files.get("disk.replay", "").startswith("0\n"):
        reasons.append(f"power cut: the disk's journal replay said {files.get('disk.replay')!r}")
    if "record.jsonl" not in files:
        reasons.append(f"power cut: no one record on the disk, found {files.get('records')!r}")
        return
    noted = re.findall(r"^\S+ event (\S+)$", trace, re.MULTILINE)
    on_disk = re.findall(r"^\S+ on disk (\S+)$", trace, re.MULTILINE)
    events, tail = _record_lines(files["record.jsonl"])
    broken = [number for number, event in enumerate(events, 1) if event is None]
    if broken:
        reasons.append(f"power cut: record lines {broken} are not whole events")
        return
    kinds = [event["event"] for event in events]
    if kinds[:1] != ["visit"]:
        reasons.append(f"power cut: the record starts with {kinds[:1]}, not the visit")
    recorded = kinds[1:]
    if recorded != noted[:len(recorded)] and noted != recorded[:len(noted)]:
        reasons.append(f"power cut: the record holds {recorded}, the trace noted {noted}")
    elif not on_disk:
        reasons.append("power cut: the trace noted no event on the disk")
    elif len(recorded) < len(on_disk):
        reasons.append(f"power cut: {len(on_disk) - len(recorded)} of the {len(on_disk)} events "
                       f"noted on the disk lost ({on_disk[len(recorded):]})")
    note = wanted["cut_off_note"]
    _check_report("power cut: the record", files.get("record.report", ""), kinds,
                  [note] if tail else [], reasons)
    if len(kinds) > 1:  # with the visit alone, cut short it is no record
        _check_report("power cut: the record cut in its last line",
                      files.get("record-cut-short.report", ""), kinds[:-1], [note], reasons)


def _check_survey_codes(wanted, files, reasons):
    """Each value of the survey's JSON document is the card's own code, converted: volts at
    volts_per_code, the current and the trip point at milliamps_per_code, each within half a
    step; the status as wanted; no finding, the card's or a sensor's."""
    try:
        document = json.loads(files.get(wanted["file"], ""))
    except ValueError:
        document = None
    if not isinstance(document, dict):
        reasons.append(f"survey: {wanted['file']} holds no JSON document")
        return
    quantities = [("volts", "voltage", wanted["volts_per_code"]),
                  ("milliamps", "current", wanted["milliamps_per_code"]),
                  ("trip_point_milliamps", "trip", wanted["milliamps_per_code"])]
    wrong = []
    sensors = document.get("sensors", [])
    if [sensor.get("sensor") for sensor in sensors] != list(range(len(wanted["voltage"]))):
        reasons.append(f"survey: sensors {[sensor.get('sensor') for sensor in sensors]}")
        return
    for number, sensor in enumerate(sensors):
        for key, codes, step in quantities:
            value, code = sensor.get(key), int(wanted[codes][number], 16)
            if not isinstance(value, (int, float)) or abs(value - code * step) > step / 2:
                wrong.append(f"sensor {number} {key} {value}, the card's {code * step:.6g}")
        if sensor.get("status") != wanted["status"]:
            wrong.append(f"sensor {number} status {sensor.get('status')}")
    findings = document.get("findings", [None]) + [
        finding for sensor in sensors for finding in sensor.get("findings", [None])]
    if findings:
        wrong.append(f"findings {findings}")
    if wrong:
        reasons.append(f"survey: {len(wrong)} wrong: " + "; ".join(wrong))


def check(scenario, outcome):
    """The reasons the scenario failed; empty when it passed."""
    result = outcome.scenarios.get(scenario["name"])
    if result is None or not result.ended:
        return ["did not run to its end (see the console log)"]
    reasons = [f"guest: {line}" for line in result.timeouts]
    expect = scenario["expect"]
    files = result.files
    trace = files.get("trace.txt", "")
    for name, status in expect.get("status", {}).items():
        got = files.get(f"{name}.status", "missing").strip()
        if got != status:
            reasons.append(f"{name} exit status {got}, wanted {status}")
    if "trace" in expect:
        _check_ordered("trace", expect["trace"], trace, reasons)
    _check_absent("trace", expect.get("trace_absent", []), trace, reasons)
    for port, wanted in expect.get("trace_written_last", {}).items():
        written = re.findall(rf"^\S+ {port} > (.*)$", trace, re.MULTILINE)
        if written[-len(wanted):] != wanted:
            reasons.append(f"trace: last strings written to {port} {written[-len(wanted):]}, "
                           f"wanted {wanted} (nothing went out after)")
    for line, patterns in expect.get("record", {}).items():
        _check_ordered(f"{line} card record", patterns, result.records.get(line, ""), reasons)
    for line, command in expect.get("record_last_command", {}).items():
        last = _last_command(result.records.get(line, ""))
        if last != command:
            reasons.append(f"{line} card: last command {last!r}, wanted {command!r}")
    _check_commands_after(expect.get("record_commands_after", {}), result, reasons)
    for name, patterns in expect.get("output", {}).items():
        _check_ordered(name, patterns, files.get(name, ""), reasons, timed=False)
    for first, second in expect.get("same", []):
        if files.get(first) is None or files.get(first) != files.get(second):
            reasons.append(f"{first} {files.get(first, '').strip()!r} became "
                           f"{files.get(second, '').strip()!r}")
    for first, second in expect.get("differ", []):
        if files.get(first) is None or files.get(first) == files.get(second):
            reasons.append(f"{first} and {second} both {files.get(first, '').strip()!r}")
    _check_absent("console", expect.get("console_absent", []), result.console, reasons)
    _check_cpu(expect.get("cpu_under_one_percent", []), files, reasons)
    if "settings" in expect:
        _check_settings(scenario, files.get("probe.out", ""), reasons)
    if "rts" in expect:
        _check_rts(expect["rts"], files.get("probe.out", ""), reasons)
    if "survey_codes" in expect:
        _check_survey_codes(expect["survey_codes"], files, reasons)
    for line, options, answer in result.cards:
        if answer != "ok":
            reasons.append(f"{line} card: '{options}' answered {answer!r}")
    if "record_after_cut" in expect:
        _check_record_after_cut(expect["record_after_cut"], result, trace, reasons)
    # The monitor answers a command that worked with nothing.
    for command, answer in result.host:
        if answer.strip():
            reasons.append(f"monitor: '{command}' answered {answer.strip()!r}")
    return reasons
