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


@pytest.fixture
def sim(tmp_path: Path) -> Iterator[Sim]:
    save = tmp_path / "card"
    save.mkdir()
    proc = subprocess.Popen([str(CARDSIM), "--udp-port", "0", "--quiet", "--save", str(save)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    assert proc.stdout is not None
    port = 0
    for line in proc.stdout:
        if line.startswith("udp 127.0.0.1:"):
            port = int(line.split(":")[1])
            break
    assert port, "the card simulator did not start"
    card = Sim(port, save, proc)
    yield card
    card.stop()
