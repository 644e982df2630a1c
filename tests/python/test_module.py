"""The Python module against spi-sim, and what a script sees when the system refuses a step, when
a run is stopped, and when files are written and read."""
import json
import os
import signal
import subprocess
import threading
import warnings

import pytest

import spi_workbench as spi

# CTest gives the spi-sim built beside the module.
SPI_SIM = os.environ["SPI_SIM"]

# One code of each decoder family, both structures and tests, threads, the stopping rule and a
# sweep: the steps in the order taken ("code": Model.code's arguments, "set": a field), then the
# run's arguments. The same table makes spi-sim's command line.
CASES = {
    "syndrome-0": ([("code", dict(type=0, number=15)), ("set", "channelEntered", 1),
                    ("set", "discParams[0]", 1), ("set", "discParams[6]", 1),
                    ("set", "discParams[3]", 0.01)], dict(words=20000, seed=1)),
    "threshold-1-ru": ([("code", dict(type=1, number=31))],
                       dict(words=3000, seed=7, structure="ru")),
    "short-cyclic-2": ([("code", dict(type=2))], dict(words=3000, seed=7, threads=3)),
    "conv-set-7": ([("code", dict(type=7, taps=[31, 32], rate="up")), ("set", "contHp", 14)],
                   dict(words=5000, seed=1)),
    "viterbi-8": ([("code", dict(type=8))], dict(words=3000, seed=7)),
    "rs-13": ([("set", "contHp", 18), ("code", dict(type=13, number=1))],
              dict(words=2000, seed=1, threads=2, max_word_errors=5)),
    "bch-14": ([("code", dict(type=14, number=10))], dict(words=3000, seed=7)),
    "cascade-16": ([("code", dict(type=16, taps=[31, 32])), ("set", "innerPolyList", "1,2")],
                   dict(words=3000, seed=7)),
    "rs-17": ([("code", dict(type=17, number=1))], dict(words=3000, seed=7)),
    "rs-18": ([("code", dict(type=18, number=12)), ("set", "contHp", 18)],
              dict(words=2000, seed=1)),
    "stat1-ru": ([], dict(test="stat1", words=5000, length=36, seed=3, structure="ru")),
    "sweep-hp": ([("code", dict(type=18, number=12))],
                 dict(sweep=("contHp", [14, 18.5]), words=2000, seed=1, max_word_errors=50)),
    "sweep-hp-ru": ([], dict(sweep=("contHp", [3, 6]), words=1000, seed=1, structure="ru")),
    "philox-ru": ([], dict(words=3000, seed=5, threads=2, structure="ru", generator="philox")),
    "sweep-philox": ([], dict(sweep=("contHp", [3, 6]), words=1000, seed=1, generator="philox")),
}

OPTIONS = dict(test="--test", words="--words", length="--length", seed="--seed",
               threads="--threads", max_word_errors="--max-word-errors", structure="--structure",
               generator="--generator")


def sim_args(steps, run):
    args = []
    for kind, *what in steps:
        if kind == "set":
            args += ["--set", f"{what[0]}={what[1]}"]
            continue
        c = what[0]
        args += ["--code", f"{c['type']}" + (f":{c['number']}" if "number" in c else "")]
        if "taps" in c:
            args += ["--taps", ",".join(map(str, c["taps"]))]
        if "rate" in c:
            args += ["--rate", c["rate"]]
    for key, value in run.items():
        if key == "sweep":
            args = ["sweep", "--param", value[0], "--values", ",".join(map(str, value[1]))] + args
        else:
            args += [OPTIONS[key], str(value)]
    return args


def model_after(steps):
    m = spi.Model()
    for kind, *what in steps:
        if kind == "set":
            m[what[0]] = what[1]
        else:
            m.code(**what[0])
    return m


def figures(record):
    """A JSON record without what says where and when it was made."""
    return {k: v for k, v in record.items()
            if k not in ("elapsedSeconds", "version", "command", "threads")}


@pytest.mark.parametrize("name", CASES)
def test_the_same_numbers_as_spi_sim(name, tmp_path):
    steps, run = CASES[name]
    m = model_after(steps)
    outputs = ["--json", "run.json"] + ([] if "sweep" in run else ["--report", "report.txt"])
    subprocess.run([SPI_SIM, *sim_args(steps, run), "--quiet", *outputs], cwd=tmp_path,
                   check=True)
    expected = json.loads((tmp_path / "run.json").read_text())
    if "sweep" in run:
        field, values = run.pop("sweep")
        s = spi.sweep(m, field, values, **run)
        assert figures(s.to_dict()) == figures(expected)
        # Theory beside each point: None (NaN in the column) where absent, as for "РУ".
        for key, name in (("theoryPErrIn", "theory_p_err_in"),
                          ("theoryWordErrBound", "theory_word_err_bound")):
            want = [q[key] for q in expected["points"]]
            assert [getattr(p, name) for p in s.points] == want
            assert [None if x != x else x for x in getattr(s, name).tolist()] == want
            assert all((x is None) == (run.get("structure") == "ru") for x in want)
        return
    r = m.run(**run)
    got = r.to_dict()
    assert figures(got) == figures(expected)
    assert got["version"] == expected["version"] == spi.__version__
    assert (r.test, r.structure, r.seed, r.words, r.n, r.k) == tuple(
        expected[k] for k in ("test", "structure", "seed", "words", "n", "k"))
    assert r.mult_before.tolist() == expected["multBefore"]
    assert r.mult_after.tolist() == expected["multAfter"]
    assert [r.p_err_in, r.p_err_in_conf, r.p_err_out, r.p_err_out_conf] == [
        expected[k] for k in ("pErrIn", "pErrInConf", "pErrOut", "pErrOutConf")]
    theory = r.theory_mult_before
    assert (None if theory is None else theory.tolist()) == expected["theoryMultBefore"]
    assert [r.theory_p_err_in, r.theory_decoded_bound, r.fit_max_z, r.p_err_in_conf_batch,
            r.p_err_out_conf_batch, r.batch_count] == [
        expected.get(k) for k in ("theoryPErrIn", "theoryDecodedBound", "fitMaxZ",
                                  "pErrInConfBatch", "pErrOutConfBatch", "batchCount")]
    assert r.report() == (tmp_path / "report.txt").read_bytes()


def fields_of(m):
    return {f: m[f] for f in spi.Model.fields()}


def test_refusals_leave_the_model_as_it_was():
    m = spi.Model()
    defaults = fields_of(m)
    for f, value in defaults.items():  # every field reads back what it was set to
        m[f] = value
    assert fields_of(m) == defaults and "contHp" in m and "nope" not in m

    m = spi.Model()
    m.code(18, 12)  # left open in the coder window: a refused step must not take it over
    before = fields_of(m)
    refusals = [
        (KeyError, "nope", lambda: m["nope"]),
        (ValueError, "generator", lambda: m.run(generator="lcg")),
        (KeyError, "nope", lambda: m.__setitem__("nope", 1)),
        (ValueError, "contM", lambda: m.__setitem__("contM", 1.5)),
        (ValueError, "contHp", lambda: m.__setitem__("contHp", "abc")),
        (ValueError, "contHp", lambda: m.__setitem__("contHp", float("nan"))),
        (ValueError, "contHp", lambda: m.__setitem__("contHp", [1])),
        (ValueError, "polyNumbers", lambda: m.__setitem__("polyNumbers[0]", 256)),
        (ValueError, "radio button", lambda: m.code(11)),
        (ValueError, "polynomial number", lambda: m.code(0)),
        (ValueError, "taps", lambda: m.code(7)),
        (ValueError, "7, 12, 15 and 16", lambda: m.code(5, taps=[1])),
        (ValueError, "rate", lambda: m.code(7, taps=[31, 32], rate="sideways")),
        (ValueError, "test", lambda: m.run("stat3")),
        (ValueError, "threads", lambda: m.run(threads=0)),
        (ValueError, "seed", lambda: m.run(seed=2**32)),
        (ValueError, "structure", lambda: m.run(structure="xx")),
        (ValueError, "max_word_errors", lambda: m.run("stat1", max_word_errors=3)),
        (KeyError, "nope", lambda: spi.sweep(m, "nope", [1])),
        (ValueError, "numeric", lambda: spi.sweep(m, "genPolyText", [1])),
    ]
    for error, words, step in refusals:
        with pytest.raises(error, match=words):
            step()
        assert fields_of(m) == before, words
    assert m.run(words=10, seed=1).n == 2040  # the window's choice is still the one taken

    m["ilvL"] = 10000
    before = fields_of(m)
    with pytest.raises(spi.RefusedError, match="перемежител") as refused:
        m.run(words=1000, seed=1)
    assert str(refused.value) == m.messages[-1]
    assert fields_of(m) == before


@pytest.mark.parametrize("threads, stop", [(1, "ctrl-c"), (2, "callback")])
def test_a_stopped_run_keeps_the_last_results(threads, stop):
    m = spi.Model()
    calls = []
    m.run(words=20000, seed=1, threads=threads, progress=lambda *done: calls.append(done))
    assert len(calls) > 50 and calls[-1] == (20000, 20000)
    assert sorted(calls) == calls
    report = m.report()

    def interrupt(done, total):
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        if stop == "ctrl-c":  # heard by the run itself, which holds no interpreter
            threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT)).start()
            m.run(words=10**8, seed=2, threads=threads)
        else:
            m.run(words=10**7, seed=2, threads=threads, progress=interrupt)
    assert m.report() == report  # the results and the volume of the run before
    before = fields_of(m)
    with pytest.raises(KeyboardInterrupt):
        spi.sweep(m, "contHp", [3, 4, 5], words=1000, progress=interrupt)
    assert fields_of(m) == before


def test_a_saved_file_opens_as_spi_sim_opens_it(tmp_path):
    m = spi.Model()
    m.code(18, 12)
    m["contHp"] = 18
    m["ilvL"] = 2
    written = m.save(tmp_path / "chain")
    assert written == str(tmp_path / "chain.dat")
    again = spi.Model.open(written)
    assert [again[f] for f in ("codeType", "codeN", "codeK", "contHp", "ilvL")] == [
        18, 2040, 1912, 18.0, 2]
    r = again.run(words=2000, seed=1)
    sim = subprocess.run([SPI_SIM, "--data", written, "--words", "2000", "--seed", "1",
                          "--report", "-", "--plain"], capture_output=True, check=True)
    assert r.report(plain=True) == sim.stdout == again.report(plain=True)
    assert "Рвых=" in sim.stdout.decode("cp1251")

    (tmp_path / "bad.dat").write_bytes(b"\x01\x02")
    for path in (tmp_path / "bad.dat", tmp_path / "none.dat"):
        with pytest.raises(spi.RefusedError, match=path.name):
            spi.Model.open(path)
    with pytest.raises(spi.RefusedError):
        m.save(tmp_path / "no-such-folder" / "chain")


def test_a_run_beyond_the_generators_cycle_warns_before_it_starts():
    """The default chain takes 17 draws per word and one per part: 252645135 words take 2^32
    exactly. The stopping rule ends these runs after a few words; the count is then a bound."""
    m = spi.Model()
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert m.run(words=252645135, max_word_errors=5, seed=3).to_dict()[
            "generatorCycleExceeded"] is False
    over = ["--words", "252645136", "--max-word-errors", "5", "--seed", "3"]
    with pytest.warns(RuntimeWarning, match=r"до 4294967313 .* 2\^32 = 4294967296") as said:
        r = m.run(words=252645136, max_word_errors=5, seed=3)
    assert r.to_dict()["generatorCycleExceeded"] is True
    sim = subprocess.run([SPI_SIM, *over, "--json", "-"], capture_output=True, check=True)
    assert sim.stderr.decode() == f"spi-sim: {said[0].message}\n"  # the same text
    assert figures(r.to_dict()) == figures(json.loads(sim.stdout))

    with pytest.warns(RuntimeWarning) as said:
        s = spi.sweep(spi.Model(), "wordCount", [1000, 252645136], max_word_errors=5, seed=3)
    assert len(said) == 1
    assert [p["generatorCycleExceeded"] for p in s.to_dict()["points"]] == [False, True]

    # A warning made an error starts nothing and leaves the model as it was.
    before = fields_of(m)
    with warnings.catch_warnings():
        warnings.simplefilter("error", RuntimeWarning)
        with pytest.raises(RuntimeWarning):
            m.run(words=252645136, max_word_errors=5, seed=4)
        with pytest.raises(RuntimeWarning):
            spi.sweep(m, "wordCount", [252645136], max_word_errors=5, seed=4)
    assert fields_of(m) == before and m.report() == r.report()
