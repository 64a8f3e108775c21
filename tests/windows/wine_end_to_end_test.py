#!/usr/bin/env python3
"""End-to-end tests of p2a-monitor.exe under Wine.

Each test starts the board simulator of the native build on a pseudo-terminal,
links the Wine prefix's COM<d> device to it, runs the Windows program with the
answers typed on its standard input, and compares its output byte for byte
with the native program's expected output of the same scenario (the cases of
tests/end_to_end/monitor_end_to_end_test.cpp).

Set by ctest (tests/windows/CMakeLists.txt): P2A_MONITOR_EXE, P2A_WINE,
P2A_NATIVE_BUILD_DIR, P2A_EXPECTED_DIR and WINEPREFIX.
"""
import dataclasses
import os
import pathlib
import re
import signal
import subprocess
import tempfile
import time
import unittest
import wave

MONITOR_EXE = os.environ["P2A_MONITOR_EXE"]
WINE = os.environ.get("P2A_WINE", "wine64")
WINEPREFIX = pathlib.Path(os.environ["WINEPREFIX"])
NATIVE_BUILD_DIR = pathlib.Path(os.environ["P2A_NATIVE_BUILD_DIR"])
EXPECTED_DIR = pathlib.Path(os.environ["P2A_EXPECTED_DIR"])

BOARD_SIM = NATIVE_BUILD_DIR / "p2a-board-sim"
ALARM_SOUND = WINEPREFIX / "drive_c" / "tmp" / "klaxon-short.wav"
RUN_LIMIT_SECONDS = 30

# What winmm traces when it starts playing a file (WINEDEBUG=+winmm).
SOUND_STARTED = re.compile(rb'proc_PlaySound SoundName=L"([^"]*)"')


@dataclasses.dataclass
class Run:
    output: bytes
    errors: bytes
    exit_code: int | None  # None: killed at the limit
    seconds: float
    board_log: str


def describe(run):
    """What a failure message shows of a run besides its output."""
    return (f"exit code {run.exit_code} after {run.seconds:.1f} s\n"
            f"standard error: {run.errors!r}\nboard log:\n{run.board_log}")


def expected(name):
    return (EXPECTED_DIR / name).read_bytes()


def wine_environment(debug_channels):
    env = dict(os.environ, WINEPREFIX=str(WINEPREFIX), WINEDEBUG=debug_channels,
               # No installer dialogs for .NET and the HTML engine.
               WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def start_wine():
    """Starts the prefix's Wine server, unless one runs already, detached from
    the tests' files. Lingering 10 s after the last program, it serves the
    tests one after the other."""
    subprocess.run(["wineserver", "-p10"], env=wine_environment("-all"),
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


class BoardSimulator:
    """The native board simulator on its own pseudo-terminal, linked as
    <folder>/COM<digit>; stopped on leaving the with-block."""

    def __init__(self, digit, options):
        self.digit = digit
        self.options = options

    def __enter__(self):
        self._folder = tempfile.TemporaryDirectory(prefix="p2a-wine-e2e-")
        self.folder = pathlib.Path(self._folder.name)
        self._log = tempfile.TemporaryFile()
        self._process = subprocess.Popen(
            [str(BOARD_SIM), "--dir", str(self.folder), "--port", self.digit, *self.options],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self._log)
        link = self.folder / f"COM{self.digit}"
        give_up = time.monotonic() + 10
        while not link.is_symlink():
            if self._process.poll() is not None or time.monotonic() > give_up:
                raise RuntimeError("the simulator did not come up:\n" + self.log())
            time.sleep(0.02)
        self.device = os.readlink(link)
        return self

    def log(self):
        self._log.seek(0)
        return self._log.read().decode(errors="replace")

    def __exit__(self, *exception):
        if self._process.poll() is None:
            self._process.send_signal(signal.SIGTERM)
        try:
            self._process.wait(10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._log.close()
        self._folder.cleanup()


def run_program(command, env, stdin_text, board=None):
    with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
        # Output goes to files, not pipes: Wine's helper processes may keep
        # a pipe open after the program has ended.
        start = time.monotonic()
        process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=output,
                                   stderr=errors)
        try:
            process.stdin.write(stdin_text)
            process.stdin.close()
        except BrokenPipeError:
            pass
        try:
            exit_code = process.wait(RUN_LIMIT_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            exit_code = None
        seconds = time.monotonic() - start
        output.seek(0)
        errors.seek(0)
        return Run(output.read(), errors.read(), exit_code, seconds,
                   board.log() if board else "")


def dos_device(digit):
    return WINEPREFIX / "dosdevices" / f"com{digit}"


def remove_dos_device(digit):
    device = dos_device(digit)
    if device.is_symlink() or device.exists():
        device.unlink()


def run_on_wine(stdin_text, digit, board_options, debug_channels="-all"):
    start_wine()
    with BoardSimulator(digit, board_options) as board:
        remove_dos_device(digit)
        dos_device(digit).symlink_to(board.device)
        try:
            return run_program([WINE, MONITOR_EXE], wine_environment(debug_channels),
                               stdin_text, board)
        finally:
            remove_dos_device(digit)


def write_alarm_sound():
    ALARM_SOUND.parent.mkdir(parents=True, exist_ok=True)
    with wave.open(str(ALARM_SOUND), "wb") as sound:
        sound.setnchannels(1)
        sound.setsampwidth(1)
        sound.setframerate(8000)
        sound.writeframes(bytes([128]) * 800)


def setUpModule():
    for needed in (BOARD_SIM, pathlib.Path(MONITOR_EXE)):
        if not needed.exists():
            raise RuntimeError(f"{needed} is missing: run script/build and script/build-windows")
    start_wine()
    if not (WINEPREFIX / "system.reg").exists():
        subprocess.run(["wineboot", "-i"], env=wine_environment("-all"), check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)
    write_alarm_sound()


class MonitorScenarios(unittest.TestCase):
    """Complete runs against a board that answers, misbehaves or goes away."""

    def test_scenarios_end_with_the_native_output(self):
        alarm = ["--timeline", "0:switch+motion", "--wrong-echo-at", "9"]
        cases = [
            # name, port digit, typed answers, board options, expected output,
            # sounds started
            ("alarm cycle", "7", b"7\n9600\n", alarm, "alarm_cycle.out", 1),
            ("alarm cycle, answers 400 ms late", "7", b"7\n9600\n", alarm + ["--late", "400"],
             "alarm_cycle.out", 1),
            # Closed input: the defaults, COM5 at 9600.
            ("switch off, then a bad checksum", "5", b"",
             ["--timeline", "0:off", "--bad-checksum-at", "7"], "switch_off_cycle.out", 0),
            ("switch on without motion, then a wrong echo", "7", b"7\r\n+9600\r\n",
             ["--timeline", "0:switch", "--wrong-echo-at", "4"], "switch_on_no_motion.out", 0),
            ("junk line, lone CR typed", "7", b"7\r$2580\r", ["--garbage-at", "2"],
             "garbage.out", 0),
        ]
        for name, digit, stdin_text, board_options, expected_output, sounds in cases:
            with self.subTest(name):
                run = run_on_wine(stdin_text, digit, board_options, "-all,+winmm")
                self.assertEqual(run.output, expected(expected_output), describe(run))
                self.assertEqual(run.exit_code, 1, describe(run))
                self.assertEqual(SOUND_STARTED.findall(run.errors),
                                 [b"c:/tmp/klaxon-short.wav"] * sounds)

    def test_silent_board_times_out_after_five_seconds(self):
        run = run_on_wine(b"7\n9600\n", "7", ["--silent-from", "1"])
        self.assertEqual(run.output, expected("silence.out"), describe(run))
        self.assertEqual(run.exit_code, 1, describe(run))
        # The 4 s start-up wait, then the 5 s answer deadline.
        self.assertGreaterEqual(run.seconds, 9.0)
        self.assertLess(run.seconds, 12.0)

    def test_vanishing_board_is_reported_promptly(self):
        run = run_on_wine(b"7\n9600\n", "7", ["--vanish-after", "1"])
        error_line = re.search(rb"Serial error occurred in p2a_i_recvPacket: ([^\r\n]+)\r\n",
                               run.output)
        self.assertIsNotNone(error_line, describe(run))
        # Only the system's text for the failure differs from the native one.
        self.assertEqual(run.output,
                         expected("vanish.out").replace(b"device disconnected", error_line[1]))
        self.assertEqual(run.exit_code, 1, describe(run))
        # Well before the 4 s start-up wait plus the 5 s answer deadline.
        self.assertLess(run.seconds, 7.0)


class PortRefusals(unittest.TestCase):
    """The port cannot be opened or set up: one message, the reason on
    standard error, no start-up wait."""

    def test_refused_ports(self):
        cases = [
            ("missing port", "9", b"9\n9600\n", False, rb"COM9: [^\r\n]+\r\n"),
            ("zero speed", "7", b"7\n0\n", True, rb"unsupported baud rate 0\r\n"),
            ("negative speed", "7", b"7\n-9600\n", True, rb"unsupported baud rate -9600\r\n"),
        ]
        for name, digit, stdin_text, linked, reason in cases:
            with self.subTest(name):
                if linked:
                    run = run_on_wine(stdin_text, digit, [])
                else:
                    start_wine()
                    remove_dos_device(digit)
                    run = run_program([WINE, MONITOR_EXE], wine_environment("-all"), stdin_text)
                self.assertEqual(run.exit_code, 1, describe(run))
                self.assertEqual(run.output, expected("port_refused.out"))
                self.assertRegex(run.errors, b"^" + reason + b"$")
                self.assertLess(run.seconds, 3.0)


if __name__ == "__main__":
    unittest.main()
