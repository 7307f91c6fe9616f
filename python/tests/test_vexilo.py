"""The package against the card simulator on 127.0.0.1."""
from __future__ import annotations

import datetime
import os
import socket
import subprocess
import sys
from pathlib import Path
from typing import Any, Callable

import pytest
from PIL import Image  # type: ignore[import]  # Debian ships no stubs

import vexilo
from vexilo import _records
from conftest import Sim

RTF = r"{\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;}\f0\fs16\cf1 Rich text\par}"


def test_records_match_the_documented_layout() -> None:
    _records.check_layout()


@pytest.fixture
def media(tmp_path: Path) -> dict[str, Path]:
    bmp, png, gif = tmp_path / "p.bmp", tmp_path / "logo.png", tmp_path / "a.gif"
    Image.new("RGB", (16, 16), (255, 0, 0)).save(bmp)
    Image.new("RGB", (64, 16), (0, 255, 0)).save(png)
    frames = [Image.new("P", (16, 16), c) for c in (1, 2)]
    frames[0].save(gif, save_all=True, append_images=frames[1:], duration=100, loop=0)
    return {"bmp": bmp, "png": png, "gif": gif}


def build_every_kind(screen: vexilo.Screen, media: dict[str, Path]) -> vexilo.Pack:
    font = vexilo.Font("宋体", 16, color=vexilo.RED)
    with vexilo.Pack(screen) as pack:
        prog = pack.program()
        prog.text("欢迎 Welcome", area=(0, 0, 128, 16), font=font)
        prog.picture(media["png"], area=(0, 16, 64, 16))
        prog.clock(area=(64, 16, 64, 16), elements="hms", font=vexilo.Font(size=12, color=vexilo.GREEN))
        prog = pack.program()
        prog.single_line("One line, moving", area=(0, 0, 128, 16), font=font,
                         show=vexilo.Show(effect=vexilo.Effect.CONTINUOUS, stay=0))
        prog.static("静止", area=(0, 16, 64, 16), font=font, frame=vexilo.Frame(1, vexilo.YELLOW))
        prog.timer(datetime.datetime(2030, 1, 1), area=(64, 16, 64, 16), units="dh", title="T",
                   font=vexilo.Font(size=12, color=vexilo.RED))
        prog = pack.program()
        prog.list([vexilo.ListText("列表 text", font=font),
                   vexilo.ListTable([["a", "b"], ["c", "d"]], row_height=8, column_width=32, title="表"),
                   vexilo.ListPicture(media["bmp"]),
                   vexilo.ListRichText(RTF)], area=(0, 0, 128, 16))
        prog.list([vexilo.ListAnimation(media["gif"])], area=(0, 16, 16, 16))
        prog.list([vexilo.ListRichText(RTF, card_fonts=True)], area=(16, 16, 112, 16))
    return pack


@pytest.mark.parametrize("compress", [False, True])
def test_every_item_kind_reaches_the_card_as_built(sim: Sim, media: dict[str, Path], compress: bool) -> None:
    screen = vexilo.Screen.udp("127.0.0.1", sim.port, width=128, height=32, color=vexilo.Color.RED_GREEN)
    pack = build_every_kind(screen, media)
    data = pack.bytes()
    assert pack.sealed and len(data) > 1000
    lines: list[str] = []
    screen.send(pack, compress=compress, progress=lines.append)
    assert len(lines) == 2
    report = sim.stop()
    assert sim.packs() == [data]
    assert f"kind {47 if compress else 15}, {len(data)} bytes, seal checks" in report


def test_udp_send_with_options_and_a_second_send(sim: Sim, media: dict[str, Path]) -> None:
    screen = vexilo.Screen.udp("127.0.0.1", sim.port, width=128, height=32)
    with vexilo.Pack(screen) as pack:
        pack.program().text("x", area=(0, 0, 128, 32))
    screen.send(pack, packet_size=64, retries=2)
    screen.send(pack)
    report = sim.stop()
    assert sim.packs() == [pack.bytes(), pack.bytes()]
    assert report.count("seal checks") == 2


@pytest.mark.parametrize("use_card", [False, True])
def test_screen_off_on_time_select(sim: Sim, use_card: bool) -> None:
    target: Any = (vexilo.Card("127.0.0.1", sim.port) if use_card
                   else vexilo.Screen.udp("127.0.0.1", sim.port, width=64, height=16))
    target.off()
    target.on()
    target.set_time()
    target.select(2)
    report = sim.stop()
    assert "screen on" in report
    assert "clock set to" in report
    assert "program 2 selected" in report


def test_screen_off_is_what_the_card_keeps(sim: Sim) -> None:
    screen = vexilo.Screen.udp("127.0.0.1", sim.port, width=64, height=16)
    screen.on()
    screen.off()
    assert "screen off" in sim.stop()


def test_a_serial_screen_by_card_address(serial_sim: Sim) -> None:
    screen = vexilo.Screen.serial("COM3", width=64, height=16, baud=115200)
    with vexilo.Pack(screen, rotated=True) as pack:
        pack.program().static("turned", area=(0, 0, 64, 16))
    screen.off(card=1)
    screen.on(card=1)
    screen.send(pack, card=1, compress=True, packet_size=128, retries=3)
    report = serial_sim.stop()
    assert serial_sim.packs() == [pack.bytes()]
    assert "seal checks" in report and "screen on" in report


@pytest.mark.parametrize("make", [
    lambda m: vexilo.ListText("列表"),
    lambda m: vexilo.ListTable([["a", "b"], ["c", "d"]], title="表"),
    lambda m: vexilo.ListRichText(RTF),
    lambda m: vexilo.ListPicture(m["bmp"]),
    lambda m: vexilo.ListPicture(m["bmp"].read_bytes()),
])
def test_each_list_entry_gives_pages(make: Callable[[dict[str, Path]], vexilo.ListEntry],
                                     media: dict[str, Path]) -> None:
    entry = make(media)
    screen = vexilo.Screen.udp("127.0.0.1", 9, width=64, height=16)
    with vexilo.Pack(screen) as empty:
        empty.program().list([vexilo.ListText("")], area=(0, 0, 64, 16))
    with vexilo.Pack(screen) as pack:
        pack.program().list([entry], area=(0, 0, 64, 16))
    assert len(pack.bytes()) >= len(empty.bytes()) + 5 + 64 * 16 // 8


def test_the_call_log_names_each_call() -> None:
    screen = vexilo.Screen.udp("127.0.0.1", 9, width=64, height=16)
    vexilo.debug_log(True)
    try:
        with vexilo.Pack(screen) as pack:
            pack.program()
    finally:
        vexilo.debug_log(False)
    log = (vexilo.home() / "Debug.Txt").read_bytes().decode("gbk")
    assert "User_AddProgram Success" in log and "User_CompletePack Success" in log
    with pytest.raises(vexilo.CallFailed) as info:
        vexilo.debug_log(False)
    assert info.value.call == "User_UseDebug"


def test_missing_library_names_every_place_tried(tmp_path: Path) -> None:
    missing = tmp_path / "nowhere" / "libvexilo.so"
    code = ("import vexilo\ntry:\n    vexilo.load()\nexcept vexilo.LibraryNotFound as e:\n"
            "    print(type(e).__name__, e.tried); print(e)\n")
    env = dict(os.environ, VEXILO_LIBRARY=str(missing), PYTHONPATH=str(Path(vexilo.__file__).parents[1]),
               LD_LIBRARY_PATH="")
    out = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True, text=True, timeout=60)
    assert out.returncode == 0, out.stderr
    assert out.stdout.startswith("LibraryNotFound")
    assert str(missing) in out.stdout
    assert "vexilo" + os.sep + "libvexilo.so" in out.stdout


def silent_port() -> int:
    """A loopback UDP port where nothing listens."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    port: int = s.getsockname()[1]
    s.close()
    return port


@pytest.mark.parametrize("action, call", [
    (lambda s, p: s.on(), "User_OpenScreen"),
    (lambda s, p: s.send(p, compress=True), "User_SendToScreenX"),
    (lambda s, p: vexilo.Card("127.0.0.1", s.port).select(1), "User_SelectToUDPScreenProgram"),
])
def test_a_screen_that_does_not_answer(action: Callable[[vexilo.Screen, vexilo.Pack], None], call: str) -> None:
    screen = vexilo.Screen.udp("127.0.0.1", silent_port(), width=64, height=16)
    with vexilo.Pack(screen) as pack:
        pack.program().text("x", area=(0, 0, 64, 16))
    with pytest.raises(vexilo.NoAnswer) as info:
        action(screen, pack)
    assert info.value.call == call


@pytest.mark.parametrize("add, call, argument", [
    (lambda p: p.text("hi 😀", area=(0, 0, 64, 16)), "User_AddText", "text"),
    (lambda p: p.single_line("ẞ", area=(0, 0, 64, 16)), "User_AddSingleText", "text"),
    (lambda p: p.static("ok", area=(0, 0, 64, 16), font=vexilo.Font("Ａ𝔸")), "User_AddStaticText", "font.face"),
    (lambda p: p.clock(area=(0, 0, 64, 16), title="\u0e01"), "User_AddDateTime", "text"),
    (lambda p: p.list([vexilo.ListText("fine"), vexilo.ListText("\u2603\ufe0f")], area=(0, 0, 64, 16)),
     "User_AddCustomList", "entries[1].text"),
])
def test_a_text_gbk_cannot_hold(add: Callable[[vexilo.Program], None], call: str, argument: str) -> None:
    screen = vexilo.Screen.udp("127.0.0.1", 9, width=64, height=16)
    with vexilo.Pack(screen) as pack:
        prog = pack.program()
        before = pack.bytes()
        with pytest.raises(vexilo.EncodingError) as info:
            add(prog)
        assert (info.value.call, info.value.argument) == (call, argument)
        assert isinstance(info.value, UnicodeError) and pack.bytes() == before


@pytest.mark.parametrize("area", [(-1, 0, 8, 8), (0, 0, 65, 16), (60, 0, 8, 8), (0, 10, 8, 8), (0, 0, 0, 8),
                                  (0, 0, 8)])
@pytest.mark.parametrize("kind", ["text", "picture", "list"])
def test_an_area_out_of_range(area: Any, kind: str, media: dict[str, Path]) -> None:
    screen = vexilo.Screen.udp("127.0.0.1", 9, width=64, height=16)
    with vexilo.Pack(screen) as pack:
        prog = pack.program()
        with pytest.raises(vexilo.AreaError) as info:
            if kind == "text":
                prog.text("x", area=area)
            elif kind == "picture":
                prog.picture(media["bmp"], area=area)
            else:
                prog.list([vexilo.ListText("x")], area=area)
        assert info.value.argument == "area" and info.value.call is not None


def test_a_second_open_pack_is_refused() -> None:
    screen = vexilo.Screen.udp("127.0.0.1", 9, width=64, height=16)
    with vexilo.Pack(screen) as first:
        with pytest.raises(vexilo.PackError):
            vexilo.Pack(screen)
        first.program()
    with vexilo.Pack(screen) as second:
        second.program().text("second", area=(0, 0, 64, 16))
    assert first.bytes() != second.bytes()  # the first keeps the bytes it was sealed with
    with pytest.raises(vexilo.PackError):
        screen.send(first)


def test_a_failing_export_names_itself() -> None:
    screen = vexilo.Screen.udp("127.0.0.1", 9, width=64, height=16)
    with vexilo.Pack(screen) as pack:
        with pytest.raises(vexilo.CallFailed) as info:
            pack.program().timer(datetime.datetime(2030, 1, 1), area=(0, 0, 64, 16),
                                 font=vexilo.Font(color=vexilo.BLACK))
    assert info.value.call == "User_AddTimer"
