"""The rig's own checks, on outcomes written out by hand: a check that cannot fail, or that
fails a correct run, would make every scenario's verdict worthless."""

import json
import pathlib
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))

from rig import checks  # noqa: E402
from rig.machine import ScenarioResult  # noqa: E402

# The two-digit baud codes and their rates.
BAUD = {"11": 110, "15": 150, "30": 300, "60": 600, "12": 1200, "24": 2400, "48": 4800,
        "96": 9600, "19": 19200}
DATA = json.loads((pathlib.Path(__file__).resolve().parents[1] / "scenarios.json").read_text())


class Outcome:
    def __init__(self, name, result):
        self.scenarios = {name: result}


def scenario(name):
    return next(s for s in checks.expand_scenarios(DATA, [name]) if s["name"] == name)


def ended(**files):
    result = ScenarioResult()
    result.ended = True
    result.files = dict(files)
    return result


class SettingsTest(unittest.TestCase):
    def test_every_code_parity_size_and_stop_is_tried(self):
        texts = checks.settings_list(DATA["settings"])
        self.assertEqual(len(texts), 9 * 5 * 4 * 2 + 5)
        for text in ["11,n,5,1,0", "19,s,8,2,0", "96,M,8,1,0"]:
            self.assertIn(text, texts)

    def readback(self, line, odd_text, configured, driver):
        """Every setting held as asked but odd_text, whose outcome is given."""
        lines = [f"SETTING {text} configured=1 stored={text} speed={BAUD[text[:2]]} "
                 f"parity={text[3].lower()} data={text[5]} stop={text[7]} flow=none"
                 for text in checks.settings_list(DATA["settings"]) if text != odd_text]
        lines.append(f"SETTING {odd_text} configured={configured} stored={odd_text} {driver}")
        name = f"line-settings-{line}"
        result = ended(**{"probe.out": "\n".join(lines) + "\n", "probe.status": "0\n"})
        return checks.check(scenario(name), Outcome(name, result))

    def test_a_setting_the_driver_holds_passes(self):
        self.assertEqual(self.readback("uart", "30,o,7,2,0", "1",
                                       "speed=300 parity=o data=7 stop=2 flow=none"), [])

    def test_a_claimed_setting_the_driver_does_not_hold_fails(self):
        reasons = self.readback("uart", "30,o,7,2,0", "1",
                                "speed=300 parity=o data=8 stop=2 flow=none")
        self.assertEqual(len(reasons), 1)
        self.assertIn("30,o,7,2,0", reasons[0])

    def test_a_refused_setting_the_uart_can_do_fails(self):
        self.assertNotEqual(self.readback("uart", "96,n,6,1,0", "0",
                                          "speed=9600 parity=n data=8 stop=1 flow=none"), [])

    def test_six_data_bits_on_the_adapter_must_be_refused_or_held(self):
        self.assertEqual(self.readback("usb", "96,n,6,1,0", "0",
                                       "speed=9600 parity=n data=8 stop=1 flow=none"), [])
        self.assertNotEqual(self.readback("usb", "96,n,6,1,0", "1",
                                          "speed=9600 parity=n data=8 stop=1 flow=none"), [])


class TraceAndRecordTest(unittest.TestCase):
    TRACE = "".join(f"2026-12-08T10:00:00.{i:03} {line}\n" for i, line in enumerate([
        "COM1 = /dev/ttyS1 (command line)", "COM1 > N", "COM1 > \\r",
        "COM1 < SENSOR CARD V2.1\\r\\n", "COM1 < ONLINE\\r\\n", "COM1 > M", "COM1 > \\r",
        "COM1 < SENSOR CARD V2.1\\r\\n", "COM1 < OFFLINE\\r\\n", "COM1 > N", "COM1 > \\r"]))
    RECORD = "10:00:00.100 command N\n10:00:00.200 command M\n10:00:00.300 command N\n"

    def discovery(self, trace, record):
        name = "discovery-and-go-online-uart"
        result = ended(**{"trace.txt": trace, "merrowby.status": "0\n",
                          "stty.before": "500:5\n", "stty.after": "500:5\n"})
        result.records = {"uart": record}
        return checks.check(scenario(name), Outcome(name, result))

    def test_a_whole_discovery_and_go_online_passes(self):
        self.assertEqual(self.discovery(self.TRACE, self.RECORD), [])

    def test_no_go_online_at_exit_fails_in_trace_and_record(self):
        trace = "".join(self.TRACE.splitlines(True)[:-2])
        record = "".join(self.RECORD.splitlines(True)[:-1])
        reasons = self.discovery(trace, record)
        self.assertTrue(any(r.startswith("trace:") for r in reasons), reasons)
        self.assertTrue(any("last command 'M'" in r for r in reasons), reasons)

    def test_a_scenario_that_never_ended_fails(self):
        name = "discovery-and-go-online-uart"
        result = ScenarioResult()
        self.assertNotEqual(checks.check(scenario(name), Outcome(name, result)), [])


class CommandsAfterPointTest(unittest.TestCase):
    RECORD = "".join(f"10:00:0{i}.000 command {c}\n" for i, c in enumerate("NMMN"))
    AFTER_UNPLUG = len("10:00:00.000 command N\n10:00:01.000 command M\n")

    def replugged(self, record, points):
        name = "replug-while-idle-window"
        result = ended()
        result.records = {"usb": record}
        result.points = points
        return [r for r in checks.check(scenario(name), Outcome(name, result))
                if "after 'device_del adapter'" in r or "no point" in r]

    def test_exactly_the_take_up_and_the_exit_pass(self):
        self.assertEqual(self.replugged(self.RECORD, {"device_del adapter":
                                                      {"usb": self.AFTER_UNPLUG}}), [])

    def test_a_stale_command_a_second_take_up_or_none_fails(self):
        lines = self.RECORD.splitlines(True)
        wrong = {
            "['M', 'SQ', 'N']": lines[:3] + ["10:00:02.500 command SQ\n"] + lines[3:],
            "['M', 'M', 'N']": lines[:3] + ["10:00:02.500 command M\n"] + lines[3:],
            "['N']": lines[:2] + lines[3:],
        }
        unplugged = {"device_del adapter": {"usb": self.AFTER_UNPLUG}}
        for received, record in wrong.items():
            with self.subTest(received=received):
                reasons = self.replugged("".join(record), unplugged)
                self.assertEqual(len(reasons), 1)
                self.assertIn(f"received {received}", reasons[0])

    def test_a_point_never_noted_fails(self):
        self.assertNotEqual(self.replugged(self.RECORD, {}), [])


class PowerCutTest(unittest.TestCase):
    NOTE = "The last event was cut off and is left out."
    NOTED = ["discovery", "status", "dump_start", "dump_sample"]
    NAME = "power-cut-during-dump"

    def cut(self, kinds, tail="", report=None, short_report=None, cut=True, trace_end="",
            on_disk=3):
        """The record found on the disk: the visit and these events, whole lines, then the
        tail; the reports are what the report shows of it, right unless given; the trace
        notes NOTED as handed over and the first on_disk of them as on the disk, then
        trace_end."""
        lines = "".join(json.dumps({"event": kind}) + "\n" for kind in ["visit"] + kinds)
        events = "".join(f"EVENT {kind}\n" for kind in ["visit"] + kinds)
        trace = "".join(f"2026-12-08T10:00:0{i}.000 event {kind}\n"
                        + (f"2026-12-08T10:00:0{i}.500 on disk {kind}\n" if i < on_disk else "")
                        for i, kind in enumerate(self.NOTED))
        result = ended(**{
            "trace.txt": "2026-12-08T10:00:00.000 record file "
                         "/data/merrowby/records/2026-12-08_10-00-00.jsonl\n" + trace + trace_end,
            "disk.replay": "0\n",
            "record.jsonl": lines + tail,
            "record.report": report if report is not None
            else events + (f"NOTE {self.NOTE}\n" if tail else ""),
            "record-cut-short.report": short_report if short_report is not None
            else "".join(events.splitlines(True)[:-1]) + f"NOTE {self.NOTE}\n"})
        result.cut = cut
        return checks.check(scenario(self.NAME), Outcome(self.NAME, result))

    def test_every_event_noted_on_the_disk_passes(self):
        self.assertEqual(self.cut(self.NOTED), [])
        self.assertEqual(self.cut(self.NOTED + ["dump_sample"]), [])
        self.assertEqual(self.cut(self.NOTED[:-1]), [])
        self.assertEqual(self.cut(self.NOTED[:-1], tail='{"event":"dump_sa'), [])

    def test_a_record_that_lost_more_broke_or_opens_wrong_fails(self):
        cases = [
            ("1 of the 3 events noted on the disk lost", dict(kinds=self.NOTED[:-2])),
            ("1 of the 4 events noted on the disk lost", dict(kinds=self.NOTED[:-1],
                                                              on_disk=4)),
            ("3 of the 3 events noted on the disk lost", dict(kinds=[])),
            ("no event on the disk", dict(kinds=self.NOTED, on_disk=0)),
            ("lines [3] are not whole",
             dict(kinds=["discovery"], tail='\0\0\0\n{"event": "status"}\n')),
            ("the record holds ['discovery', 'dump_start']",
             dict(kinds=["discovery", "dump_start"])),
            ("the record: opened in the report as",
             dict(kinds=self.NOTED, tail='{"ev', report="".join(
                 f"EVENT {kind}\n" for kind in ["visit"] + self.NOTED))),
            ("cut in its last line: opened", dict(kinds=self.NOTED, short_report="ERROR x\n")),
            ("the machine was not cut", dict(kinds=self.NOTED, cut=False)),
            ("the trace ran 21.0 s after the record began",
             dict(kinds=self.NOTED, trace_end="2026-12-08T10:00:21.000 COM1 < 0FF8\n")),
        ]
        for reason, arguments in cases:
            with self.subTest(reason=reason):
                reasons = self.cut(**arguments)
                self.assertTrue(any(reason in r for r in reasons), reasons)

    def test_an_empty_disk_fails(self):
        for files in [{"disk.replay": "0\n", "records": ""},
                      {"disk.replay": "0\n", "record.jsonl": ""}]:
            with self.subTest(files=files):
                result = ended(**files)
                result.cut = True
                self.assertNotEqual(checks.check(scenario(self.NAME),
                                                 Outcome(self.NAME, result)), [])


class OtherSocketTest(unittest.TestCase):
    def replugged(self, before, after):
        name = "replug-other-socket-window"
        files = {"adapter.before": before, "adapter.after": after}
        result = ended(**{name: text for name, text in files.items() if text is not None})
        return [r for r in checks.check(scenario(name), Outcome(name, result))
                if "adapter." in r]

    def test_the_adapter_back_in_another_socket_passes(self):
        self.assertEqual(self.replugged("1-2 MRW0001\n", "1-3 MRW0001\n"), [])

    def test_the_adapter_back_in_the_same_socket_or_unseen_fails(self):
        self.assertEqual(len(self.replugged("1-2 MRW0001\n", "1-2 MRW0001\n")), 1)
        self.assertNotEqual(self.replugged("1-2 MRW0001\n", None), [])
        self.assertNotEqual(self.replugged("1-2 none\n", "1-3 none\n"), [])


class CpuTest(unittest.TestCase):
    def unplugged(self, ticks, ns=None):
        name = "unplug-while-idle"
        trace = "2026-12-08T10:00:00.000 COM1 > M\n2026-12-08T10:00:00.000 COM1 > \\r\n"
        time = "" if ns is None else f" ns={ns}"
        result = ended(**{"merrowby.status": "0\n", "trace.txt": trace,
                          "merrowby.cpu": f"ticks={ticks}{time} seconds=10 hz=100 alive=1\n"
                                          "1/(x):1\n"})
        return checks.check(scenario(name), Outcome(name, result))

    def test_under_one_percent_of_a_core_over_ten_seconds(self):
        self.assertEqual(self.unplugged(9), [])
        self.assertNotEqual(self.unplugged(10), [])
        # The CPU time decides where the guest has it: a tick per wake-up is no spin.
        self.assertEqual(self.unplugged(15, ns=99_000_000), [])
        self.assertNotEqual(self.unplugged(0, ns=100_000_000), [])
        self.assertNotEqual(self.unplugged(10, ns=-1), [])



class SurveyCodesTest(unittest.TestCase):
    STATUS = {"enabled": True, "trained": True, "shorted": False, "opened": False,
              "covered": False}

    def document(self):
        """The default sensors as the card holds them: voltage 700 + 21n, current level
        1000 + 111n, trip three quarters of that (hexadecimal codes)."""
        sensors = [{"sensor": n, "volts": (0x700 + 0x21 * n) * 0.002442,
                    "milliamps": (0x1000 + 0x111 * n) * 0.0003051851,
                    "trip_point_milliamps": (0x1000 + 0x111 * n) * 3 // 4 * 0.0003051851,
                    "status": dict(self.STATUS), "findings": []} for n in range(8)]
        return {"sensors": sensors, "findings": []}

    def slow_survey(self, document, cards=(("uart", "--noise 0", "ok"),)):
        name = "survey-slow-uart"
        text = document if isinstance(document, str) else json.dumps(document)
        result = ended(**{"survey.out": text, "survey.status": "0\n",
                          "survey.err": "The card took up to 1.2 s to answer; the survey "
                                        "waited up to 2.4 s for each reply.\n"})
        result.records = {"uart": "10:00:00.000 command 7TQ\n10:00:01.200 command N\n"
                                  "10:00:02.000 options --delay-command SQ:1500\n"}
        result.cards = list(cards)
        return checks.check(scenario(name), Outcome(name, result))

    def test_the_cards_own_codes_pass(self):
        self.assertEqual(self.slow_survey(self.document()), [])

    def test_a_value_filed_wrong_missing_or_a_finding_fails(self):
        def changed(sensor, key, value):
            document = self.document()
            document["sensors"][sensor][key] = value
            return document
        wrong = {
            "sensor 2 volts 8.0": changed(2, "volts", 8.0),  # sensor 1's trip code, 0xCCC
            "sensor 0 milliamps 0.9375": changed(0, "milliamps", 0xC00 * 0.0003051851),
            "sensor 7 trip_point_milliamps None": changed(7, "trip_point_milliamps", None),
            "sensor 3 status": changed(3, "status", {**self.STATUS, "shorted": True}),
            "findings ['Sensor 7: not trained.']": changed(7, "findings",
                                                           ["Sensor 7: not trained."]),
            "holds no JSON document": "{",
        }
        for expected, document in wrong.items():
            with self.subTest(expected=expected):
                reasons = self.slow_survey(document)
                self.assertEqual(len(reasons), 1, reasons)
                self.assertIn(expected, reasons[0])

    def test_a_card_that_refused_its_options_fails(self):
        reasons = self.slow_survey(self.document(), [("uart", "--link /x", "refused: no")])
        self.assertEqual(reasons, ["uart card: '--link /x' answered 'refused: no'"])


if __name__ == "__main__":
    unittest.main()
