"""The Python module against sbtool: the same figures, lists, output files and code, runs that
stop cleanly however they are stopped, and refusals with sbtool's messages and statuses."""
import json
import os
import shutil
import signal
import subprocess
import threading

import pytest
import sboxsearch as sb

SBTOOL = os.environ["SBTOOL"]
SINGLE = os.path.join(os.environ["SBOXSEARCH_SOURCE"], "tests", "lists", "single.txt")
PRESENT, PICCOLO = "c56b90ad3ef84712", "e4b238091a7f6c5d"


def sbtool(*args):
    return subprocess.run([SBTOOL, *map(str, args)], capture_output=True, text=True)


def read(path):
    with open(path) as f:
        return f.read()


def sbtool_run(tmp_path, name, *args):
    """A directory holding single.txt as sb2.txt, after sbtool search with args when given."""
    d = tmp_path / name
    d.mkdir()
    shutil.copy(SINGLE, d / "sb2.txt")
    if args:
        assert sbtool("search", "--threads", 1, "--dir", d, *args).returncode == 0
    return d


@pytest.mark.parametrize("sbox", [PRESENT, "0123456789abcdef", "0" * 16])
def test_analysis_is_sbtools(sbox):
    ours, theirs = sb.analyze(sbox), json.loads(sbtool("analyze", "--json", "--tables", sbox).stdout)["sboxes"][0]
    fields = {"bijection": "bijective", "involution": "involution", "differential_uniformity": "uniformity",
              "linearity": "linearity", "nonlinearity": "nonlinearity", "differential_branch_number":
              "differential_branch", "linear_branch_number": "linear_branch", "max_xor": "max_xor",
              "max_lat": "max_lat", "single": "single", "fixed_points": "fixed_points",
              "difference_table": "difference_table", "linear_table": "linear_table", "sbox": "hex"}
    assert {k: getattr(ours, a) for k, a in fields.items()} == {k: theirs[k] for k in fields}
    assert [[b["degree"], b["anf"], b["polynomial"]] for b in theirs["bits"]] == \
        [list(b) for b in zip(ours.degrees, ours.anf, ours.polynomials)]
    assert ours.inverse == theirs["inverse_values"]


@pytest.mark.parametrize("options", [[], ["inverse"], ["inverse", "perms"], ["out_xor"]])
def test_target_lists_are_sbtools(options):
    ours = sb.targets([PRESENT, [int(c, 16) for c in PICCOLO]], **{o: True for o in options})
    assert ours == sbtool("targets", *["--" + o.replace("_", "-") for o in options], PRESENT, PICCOLO).stdout


def test_one_pass_writes_what_sbtool_writes(tmp_path):
    ref = sbtool_run(tmp_path, "sbtool", "--passes", 1)
    assert sb.load_file(SINGLE).sboxes == 1
    records = []
    summary = sb.run(dir=str(tmp_path), passes=1, checkpoints=True, on_record=records.append)
    for name in ["prgs1b.txt", "prgs1b.txt.checkpoint", "sb2.txt"]:
        assert read(tmp_path / name) == read(ref / name), name
    output = read(ref / "prgs1b.txt")
    assert records and "".join(r.text for r in records) == output[output.index("found"):].replace("Starting 1\n", "")
    assert (summary.cancelled, summary.figures.passes_done, summary.figures.records) == (False, 1, len(records))
    on_two_threads = [r.text for r in sb.Search(dir=str(tmp_path / "sbtool"), passes=1, threads=2, force=True)]
    assert on_two_threads == [r.text for r in records]
    for lang in ["c", "asm", "dot"]:
        for sbox in [None, sb.hex(sb.parse_sbox(read(SINGLE)))]:
            given = ["--sbox", sbox] if sbox else []
            expected = sbtool("emit", "--lang", lang, *given, ref / "prgs1b.txt", records[0].number).stdout
            assert sb.emit(records[0], lang=lang, sbox=sbox) == expected
            assert sb.emit_from_file(str(ref / "prgs1b.txt"), records[0].number, lang=lang, sbox=sbox) == expected


# Every stop happens on an event of the run (its second pass, its first record), not after a
# time, so that the run is still in one of the two passes the resumed run ends with.
def in_second_pass(act):
    def on_progress(p):
        if p.pass_number == 1:
            act()
    return on_progress


def stop_in_a_callback(d):
    def stop():
        raise ValueError("enough")
    with pytest.raises(ValueError):
        sb.run(dir=d, checkpoints=True, on_progress=in_second_pass(stop))


def ctrl_c_in_run(d):
    with pytest.raises(KeyboardInterrupt):
        sb.run(dir=d, checkpoints=True, on_progress=in_second_pass(lambda: os.kill(os.getpid(), signal.SIGINT)))


def ctrl_c_while_iterating(d):
    with pytest.raises(KeyboardInterrupt):
        for _ in sb.Search(dir=d, checkpoints=True):
            os.kill(os.getpid(), signal.SIGINT)


def cancel_from_a_thread(d):
    s = sb.Search(dir=d, checkpoints=True)
    second_pass = threading.Event()
    canceller = threading.Thread(target=lambda: (second_pass.wait(), s.cancel()))
    canceller.start()
    assert s.run(on_progress=in_second_pass(second_pass.set)).cancelled
    canceller.join()


@pytest.mark.parametrize("stop", [stop_in_a_callback, ctrl_c_in_run, ctrl_c_while_iterating, cancel_from_a_thread])
def test_a_stopped_run_goes_on_as_if_never_stopped(tmp_path, stop):
    ref = sbtool_run(tmp_path, "whole", "--passes", 2)
    sb.load_file(SINGLE)
    stop(str(tmp_path))
    assert sbtool("search", "--resume", "--passes", 2, "--threads", 1, "--dir", tmp_path).returncode == 0
    assert read(tmp_path / "prgs1b.txt") == read(ref / "prgs1b.txt")


def test_a_run_holds_its_list_and_its_directory(tmp_path):
    sb.load_file(SINGLE)
    run = sb.Search(dir=str(tmp_path))
    next(iter(run))
    with pytest.raises(sb.Error, match="a run is going on"):
        sb.load_file(SINGLE)
    with pytest.raises(sb.Error, match="another search is running in"):
        sb.Search(dir=str(tmp_path))
    run.cancel()
    assert list(run) == [] and run.summary.cancelled
    sb.load_file(SINGLE)
    sb.Search(dir=str(tmp_path), force=True)


@pytest.mark.parametrize("call, status, sbtool_args", [
    (lambda: sb.analyze("123"), 1, ["analyze", "123"]),
    (lambda: sb.targets([PRESENT, "0" * 16]), 1, None),
    (lambda: sb.load("1 2 3\n"), 1, None),
    (lambda: sb.emit("found 1 r 1\n", lang="x"), 2, ["emit", "--lang", "x", "-", "1"]),
    (lambda: sb.Search(threads=-1), 2, None),
])
def test_refusals_carry_sbtools_status_and_message(call, status, sbtool_args):
    with pytest.raises(sb.Error) as refused:
        call()
    assert refused.value.status == status
    if sbtool_args:
        assert str(refused.value).split(": ", 1)[-1] == sbtool(*sbtool_args).stderr.strip().split(": ", 2)[-1]
