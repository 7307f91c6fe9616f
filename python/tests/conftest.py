"""Fixtures: the card simulator on loopback, and a folder of its saved packs."""
from __future__ import annotations

import os
import signal
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path
from typing import Iterator, List

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("VEXILO_BUILD", ROOT / "build"))
CARDSIM = BUILD / "tools" / "cardsim" / "vexilo-cardsim"


@dataclass
class Sim:
    """A running simulated card: its UDP port, its save folder, and what it printed on exit."""

    port: int
    save: Path
    proc: "subprocess.Popen[str]"
    report: str = ""

    def stop(self) -> str:
        """Stop the card and return what it printed (packs received, seal checks, learnt state)."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            out, _ = self.proc.communicate(timeout=10)
            self.report = out
        return self.report

    def packs(self) -> List[bytes]:
        """The packs the card saved, in the order received."""
        files = sorted(self.save.glob("pack-*.bin"), key=lambda p: int(p.stem.split("-")[1]))
        return [f.read_bytes() for f in files]


def start(save: Path, *link: str) -> "subprocess.Popen[str]":
    save.mkdir()
    return subprocess.Popen([str(CARDSIM), *link, "--quiet", "--save", str(save)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def wait_for(proc: "subprocess.Popen[str]", prefix: str) -> str:
    """The rest of the first line the simulator prints that starts with ``prefix``."""
    assert proc.stdout is not None
    for line in proc.stdout:
        if line.startswith(prefix):
            return line[len(prefix):].strip()
    raise AssertionError("the card simulator did not start")


@pytest.fixture
def sim(tmp_path: Path) -> Iterator[Sim]:
    """A card on a loopback UDP port."""
    save = tmp_path / "card"
    proc = start(save, "--udp-port", "0")
    port = int(wait_for(proc, "udp 127.0.0.1:"))
    card = Sim(port, save, proc)
    yield card
    card.stop()


@pytest.fixture
def serial_sim(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Iterator[Sim]:
    """A card on a pseudo-terminal that the library reaches as COM3."""
    ports = tmp_path / "ports"
    ports.mkdir()
    save = tmp_path / "card"
    proc = start(save, "--no-udp", "--serial-dir", str(ports), "--com", "3")
    wait_for(proc, "link ")
    monkeypatch.setenv("VEXILO_SERIAL_DIR", str(ports))
    card = Sim(0, save, proc)
    yield card
    card.stop()
