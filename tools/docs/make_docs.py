"""Makes the player's guide's pictures and plots from the built plug-in, and its factory list.

Every sound plotted here is rendered by build/kt4r-render through build/KT-4R.so with a patch that
isolates what the plot shows; every panel picture is cut from the panel as kt4r-render draws it.
Run through tools/make-docs, which installs the plotting packages and builds what is missing.
The same plug-in build gives the same files, byte for byte.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import factory_list  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("KT4R_BUILD", os.path.join(ROOT, "build"))
RENDER = os.path.join(BUILD, "kt4r-render")
PLUGIN = os.path.join(BUILD, "KT-4R.so")
OUT = os.path.join(ROOT, "docs", "guide")
GUIDE = os.path.join(ROOT, "docs", "guide.md")
RATE = 48000

# Reproducible files: no software tag or date in the PNGs, a fixed salt for any SVG id.
matplotlib.rcParams.update({
    "svg.hashsalt": "kt4r-guide",
    "font.size": 9,
    "axes.grid": True,
    "grid.alpha": 0.3,
    "figure.dpi": 90,
})
PNG_META = {"Software": None}

# Patch parameter ids (the host's parameter indices).
DCO1_RANGE, DCO1_WAVE, DCO1_LFO = 0, 1, 3
DCO2_RANGE, DCO2_WAVE, DCO2_XMOD, DCO2_TUNE = 5, 6, 7, 8
MIX_DCO1, MIX_DCO2, MIX_ENV = 14, 15, 16
HPF, VCF_FREQ, VCF_RESO, VCF_LFO, VCF_ENV, VCF_KEY = 19, 20, 21, 22, 23, 24
VCA_LEVEL, VCA_MODE, VCA_DYNA, CHORUS = 27, 28, 29, 30
LFO_WAVE, LFO_DELAY, LFO_RATE = 31, 32, 33
ENV2_ATT, ENV2_DEC, ENV2_SUS, ENV2_REL = 40, 41, 42, 43

WAVES = {"NOISE": 0.0, "SQUARE": 1 / 3, "PULSE": 2 / 3, "SAW": 1.0}

# One oscillator (DCO-1 at 8'), the filter open, the amplifier following ENV-2 as an organ gate
# (attack, decay and release at their shortest, full sustain), no velocity, no chorus, and the
# high-pass filter at its flat 10 Hz position: the plain voice every plot starts from.
PLAIN = {
    DCO1_RANGE: 1 / 3, DCO1_WAVE: WAVES["SAW"], MIX_DCO1: 1.0, MIX_DCO2: 0.0, MIX_ENV: 0.0,
    HPF: 1 / 3, VCF_FREQ: 1.0, VCF_RESO: 0.0, VCF_LFO: 0.0, VCF_ENV: 0.0, VCF_KEY: 0.0,
    VCA_LEVEL: 1.0, VCA_MODE: 1.0, VCA_DYNA: 0.0, CHORUS: 0.0,
    ENV2_ATT: 0.0, ENV2_DEC: 0.0, ENV2_SUS: 1.0, ENV2_REL: 0.0,
}


def patch(changes=None):
    """The plain voice with the given {parameter id: normalised value} changes."""
    values = dict(PLAIN)
    values.update(changes or {})
    return values


def param_args(values):
    args = []
    for index in sorted(values):
        args += ["--param", f"{index}={values[index]:.6f}"]
    return args


def run(args):
    result = subprocess.run([RENDER, "--plugin", PLUGIN] + args, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"make-docs: kt4r-render {' '.join(args)} failed:\n{result.stderr}")
    return result.stdout


def read_wav(path):
    """The frames of a 32-bit float WAV as an array (frames, channels)."""
    with open(path, "rb") as f:
        data = f.read()
    pos, channels, samples = 12, 2, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            channels = struct.unpack_from("<H", body, 2)[0]
        elif tag == b"data":
            samples = np.frombuffer(body, dtype="<f4")
        pos += 8 + size + (size & 1)
    return samples.reshape(-1, channels).astype(np.float64)


def render(values, notes, seconds, tmp, extra=()):
    path = os.path.join(tmp, "take.wav")
    run(param_args(values) + ["--notes", notes, "--length", str(seconds), "--rate", str(RATE), "--out", path]
        + list(extra))
    return read_wav(path)


def display_scale():
    """The panel's 0-99 figures for the 128 steps of a continuous control, read from the parameter
    table's source, so that a plot asks for a setting by the figure the panel shows."""
    with open(os.path.join(ROOT, "instrument", "ParamTable.cpp"), encoding="utf-8") as f:
        source = f.read()
    body = re.search(r"kDisplayScale\[128\] = \{([^}]*)\}", source).group(1)
    figures = [int(n) for n in re.findall(r"\d+", body)]
    assert len(figures) == 128
    return figures


SCALE = display_scale()


def at(figure):
    """The normalised value of a continuous 0-99 control that the panel shows as figure."""
    return SCALE.index(figure) / 127


def save(fig, name, colours=None):
    """Writes the figure; with colours, as a palette image of that many (for spectrograms, whose
    noisy texture would make a full-colour PNG large)."""
    path = os.path.join(OUT, name)
    fig.savefig(path, metadata=PNG_META)
    plt.close(fig)
    if colours:
        with Image.open(path) as image:
            image.convert("RGB").quantize(colors=colours).save(path, optimize=True)
    print(f"  docs/guide/{name}")


# ---- panel pictures -------------------------------------------------------------------------------

PANEL_SECTIONS = {
    "panel-dco1.png": (12, 137, 131, 541),
    "panel-dco2.png": (131, 137, 297, 541),
    "panel-mixer.png": (296, 137, 413, 541),
    "panel-vcf.png": (412, 137, 569, 541),
    "panel-vca.png": (568, 137, 641, 541),
    "panel-performance.png": (641, 140, 856, 530),
    "panel-lfo.png": (12, 541, 199, 690),
    "panel-env1.png": (198, 541, 426, 690),
    "panel-env2.png": (425, 541, 642, 690),
    "panel-chorus-page.png": (641, 541, 856, 690),
}

# Pictures that need a gesture on the panel first: the readout line in use, the other right-hand
# pages; (picture, gestures, crop).
PANEL_PAGES = [
    ("panel-top.png", ["--hover", "496,200"], (10, 54, 858, 134)),  # the readout naming VCF FREQ
    ("panel-settings.png", ["--click", "796,627"], (641, 140, 856, 530)),
    ("panel-midi.png", ["--click", "741,627"], (641, 140, 856, 530)),
]
# The learn page takes over the readout line too: both parts, one above the other.
LEARN_GESTURE = ["--rclick", "496,250"]
LEARN_PARTS = [(468, 56, 856, 118), (641, 140, 856, 530)]


def panel_pictures(tmp):
    whole = os.path.join(tmp, "panel.png")
    run(["--editor-png", whole])
    with Image.open(whole) as panel:
        panel.load()
        panel.save(os.path.join(OUT, "panel.png"), optimize=True)
        print("  docs/guide/panel.png")
        for name, box in PANEL_SECTIONS.items():
            panel.crop(box).save(os.path.join(OUT, name), optimize=True)
            print(f"  docs/guide/{name}")
    for name, gestures, box in PANEL_PAGES:
        run(gestures + ["--editor-png", whole])
        with Image.open(whole) as panel:
            panel.crop(box).save(os.path.join(OUT, name), optimize=True)
        print(f"  docs/guide/{name}")
    run(LEARN_GESTURE + ["--editor-png", whole])
    with Image.open(whole) as panel:
        parts = [panel.crop(box) for box in LEARN_PARTS]
        sheet = Image.new(panel.mode, (max(p.width for p in parts), sum(p.height for p in parts) + 6), "#202020")
        sheet.paste(parts[0], (0, 0))
        sheet.paste(parts[1], ((sheet.width - parts[1].width) // 2, parts[0].height + 6))
        sheet.save(os.path.join(OUT, "panel-learn.png"), optimize=True)
    print("  docs/guide/panel-learn.png")


# ---- sound plots ----------------------------------------------------------------------------------

def spectrum_db(x):
    window = np.hanning(len(x))
    magnitude = np.abs(np.fft.rfft(x * window)) / (window.sum() / 2)
    return np.fft.rfftfreq(len(x), 1 / RATE), 20 * np.log10(np.maximum(magnitude, 1e-9))


def welch_db(x, size=4096):
    """Averaged power spectrum (half-overlapping Hann windows), in dB."""
    window = np.hanning(size)
    frames = [x[i:i + size] * window for i in range(0, len(x) - size + 1, size // 2)]
    power = np.mean([np.abs(np.fft.rfft(f)) ** 2 for f in frames], axis=0)
    return np.fft.rfftfreq(size, 1 / RATE), 10 * np.log10(np.maximum(power, 1e-20))


def wave_sheet(takes, title, top_hz, name):
    """One row per take (label, steady output, cycle length in samples): three cycles of the output
    beside its spectrum."""
    fig, axes = plt.subplots(len(takes), 2, figsize=(8.6, 7.2), gridspec_kw={"width_ratios": [1, 1.3]})
    for row, (label, x, period) in enumerate(takes):
        t = np.arange(int(3 * period)) / RATE * 1000
        axes[row, 0].plot(t, x[:len(t)], lw=1, color="tab:orange")
        axes[row, 0].set_ylabel(label)
        axes[row, 0].set_xlim(0, t[-1])
        f, db = spectrum_db(x[:RATE // 2])
        axes[row, 1].plot(f, db - db.max(), lw=0.7, color="tab:blue")
        axes[row, 1].set_xlim(0, top_hz)
        axes[row, 1].set_ylim(-90, 5)
    axes[0, 0].set_title(title)
    axes[0, 1].set_title("spectrum (dB below the strongest partial)")
    axes[-1, 0].set_xlabel("ms")
    axes[-1, 1].set_xlabel("Hz")
    fig.tight_layout()
    save(fig, name)


def dco_waves(tmp):
    """Each DCO-1 wave at A4 (440 Hz)."""
    period = RATE / 440.0
    takes = []
    for name, value in WAVES.items():
        steady = render(patch({DCO1_WAVE: value}), "0:69:100:1.2", 1.0, tmp)[int(0.5 * RATE):, 0]
        start = int(np.argmax(np.diff(np.sign(steady[:int(2 * period)])) > 0))  # a rising zero crossing
        takes.append((name, steady[start:], period))
    wave_sheet(takes, "output, three cycles of A4 (440 Hz)", 16000, "dco-waves.png")


def xmod(tmp):
    """DCO-2 alone (DCO-1 at level 0 still leads it), seven semitones above DCO-1, in each XMOD mode."""
    modes = {"OFF": 0.0, "SYNC1": 1 / 3, "SYNC2": 2 / 3, "XMOD": 1.0}
    takes = []
    for name, value in modes.items():
        values = patch({MIX_DCO1: 0.0, MIX_DCO2: 1.0, DCO2_RANGE: 1 / 3, DCO2_WAVE: WAVES["SAW"], DCO2_XMOD: value,
                        DCO2_TUNE: (12 + 7) / 24})
        takes.append((name, render(values, "0:57:100:1.2", 1.0, tmp)[int(0.5 * RATE):, 0], RATE / 220.0))
    wave_sheet(takes, "DCO-2 output, DCO-1 at A3 (220 Hz)", 8000, "xmod.png")


def filter_plot(tmp):
    """White noise (the NOISE wave) through the filter at several FREQ and RESO settings."""
    fig, axes = plt.subplots(1, 2, figsize=(9.0, 3.6), sharey=True)
    noise = WAVES["NOISE"]
    curves = []
    for ax, name, settings in (
            (axes[0], "FREQ", [(f, 0) for f in (20, 35, 50, 65, 80, 99)]),
            (axes[1], "RESO", [(50, r) for r in (0, 30, 60, 80, 99)])):
        for freq, reso in settings:
            x = render(patch({DCO1_WAVE: noise, VCF_FREQ: at(freq), VCF_RESO: at(reso)}), "0:60:100:4.2", 4.0, tmp)
            f, db = welch_db(x[int(0.2 * RATE):, 0])
            curves.append((ax, f"{name} {freq if name == 'FREQ' else reso}", f, db))
    # Levels in dB against the open filter's pass band (FREQ 99, RESO 0).
    open_f, open_db = next((f, db) for _, label, f, db in curves if label == "FREQ 99")
    reference = np.median(open_db[(open_f > 200) & (open_f < 2000)])
    for ax, label, f, db in curves:
        ax.semilogx(f[1:], db[1:] - reference, lw=1, label=label)
    for ax in axes:
        ax.set_xlim(20, 20000)
        ax.set_ylim(-70, 30)
        ax.set_xlabel("Hz")
        ax.legend(fontsize=8, loc="lower left")
    axes[0].set_title("FREQ, with RESO at 0")
    axes[1].set_title("RESO, with FREQ at 50")
    axes[0].set_ylabel("dB (0 = filter open)")
    fig.tight_layout()
    save(fig, "filter-response.png")


def finish_single(fig, ax, xlim, ylim, xlabel, ylabel, legend_at, name):
    """Limits, labels and legend of a one-axis plot, then the file."""
    ax.set_xlim(*xlim)
    ax.set_ylim(*ylim)
    ax.set_xlabel(xlabel)
    ax.set_ylabel(ylabel)
    ax.legend(fontsize=8, loc=legend_at)
    fig.tight_layout()
    save(fig, name)


def amplitude(x, window):
    """The RMS level over consecutive windows of the given length."""
    frames = len(x) // window
    return np.sqrt((x[:frames * window] ** 2).reshape(frames, window).mean(axis=1))


def envelopes(tmp):
    """The amplifier following ENV-2: a key held from 0.1 s to 2.1 s, for four ATT/DEC/SUS/REL sets."""
    sets = [(0, 35, 0, 30), (0, 45, 60, 45), (45, 50, 80, 50), (60, 60, 50, 62)]
    fig, ax = plt.subplots(figsize=(8.6, 3.4))
    window = RATE // 250  # 4 ms, seven periods of A6
    square = WAVES["SQUARE"]
    full = amplitude(render(patch({DCO1_WAVE: square}), "0.1:93:100:2.0", 1.0, tmp)[int(0.5 * RATE):, 0], window).mean()
    for a, d, s, r in sets:
        values = patch({DCO1_WAVE: square, ENV2_ATT: at(a), ENV2_DEC: at(d), ENV2_SUS: at(s), ENV2_REL: at(r)})
        level = amplitude(render(values, "0.1:93:100:2.0", 5.0, tmp)[:, 0], window) / full
        t = np.arange(len(level)) * window / RATE
        ax.plot(t, level, lw=1.2, label=f"ATT {a}  DEC {d}  SUS {s}  REL {r}")
    ax.axvspan(0.1, 2.1, color="0.85", alpha=0.4, lw=0)
    ax.text(1.1, 1.05, "key held", ha="center", fontsize=8)
    finish_single(fig, ax, (0, 5), (0, 1.12), "seconds", "level (1 = full)", "upper right", "envelopes.png")


def pitch_track(x, floor=0.0):
    """(time, frequency) at each rising zero crossing of x (linear interpolation between samples)."""
    rising = np.nonzero((x[:-1] <= floor) & (x[1:] > floor))[0]
    exact = rising + (floor - x[rising]) / (x[rising + 1] - x[rising])
    return exact[1:] / RATE, RATE / np.diff(exact)


def lfo_waves(tmp):
    """The LFO moving DCO-1's pitch (DCO-1 LFO), read back as the pitch of the output."""
    rate, depth = 62, 10  # LFO RATE shows round(99 n) while LFO SYNC is off
    cases = [("SINE", {LFO_WAVE: 1.0}), ("SQUARE", {LFO_WAVE: 0.5}), ("RANDOM", {LFO_WAVE: 0.0}),
             ("SINE, DELAY 30", {LFO_WAVE: 1.0, LFO_DELAY: at(30)})]
    fig, axes = plt.subplots(len(cases), 1, figsize=(8.6, 6.0), sharex=True)
    for ax, (name, setting) in zip(axes, cases):
        # A5 through a filter closed down to about 1.6 kHz: close to a sine, one crossing per cycle.
        values = patch({DCO1_LFO: at(depth), LFO_RATE: rate / 99, VCF_FREQ: at(68), **setting})
        t, f = pitch_track(render(values, "0:81:100:3.2", 3.0, tmp)[:, 0])
        keep = t > 0.05  # after the voice's first glide from rest, which portamento 0 makes short
        ax.plot(t[keep], 1200 * np.log2(f[keep] / 880.0), lw=1, color="tab:purple")
        ax.set_ylabel("cents")
        ax.set_title(f"LFO WAVE {name}, RATE {rate}, DCO-1 LFO {depth}", fontsize=9, loc="left")
        ax.set_ylim(-90, 90)
    axes[-1].set_xlabel("seconds after the key goes down")
    axes[-1].set_xlim(0, 3)
    fig.tight_layout()
    save(fig, "lfo-waves.png")


def chorus(tmp):
    """White noise through the chorus: the comb of notches the moving delay cuts into each side."""
    fig, axes = plt.subplots(2, 2, figsize=(8.6, 5.4), sharex=True, sharey=True)
    size, hop = 2048, 256
    window = np.hanning(size)
    for row, (mode, value) in enumerate((("1", 0.5), ("2", 1.0))):
        values = patch({DCO1_WAVE: WAVES["NOISE"], CHORUS: value})
        x = render(values, "0:60:100:4.2", 4.0, tmp)[int(0.5 * RATE):int(3.5 * RATE)]
        for col, side in enumerate(("left", "right")):
            frames = np.array([x[i:i + size, col] * window for i in range(0, len(x) - size, hop)])
            power = np.abs(np.fft.rfft(frames, axis=1)) ** 2
            # Averaged over four neighbouring frames in time, so that the notches stand out of the noise.
            power = np.array([power[i:i + 4].mean(axis=0) for i in range(0, len(power) - 3, 2)])
            power = 10 * np.log10(np.maximum(power, 1e-12))
            f = np.fft.rfftfreq(size, 1 / RATE)
            top = np.searchsorted(f, 3000)
            ax = axes[row, col]
            ax.imshow(power[:, :top].T, origin="lower", aspect="auto", cmap="magma",
                      extent=(0, len(frames) * hop / RATE, 0, f[top]),
                      vmin=power[:, :top].max() - 45, vmax=power[:, :top].max(), interpolation="nearest")
            ax.grid(False)
            ax.set_title(f"CHORUS {mode}, {side}", fontsize=9, loc="left")
    for ax in axes[:, 0]:
        ax.set_ylabel("Hz")
    for ax in axes[-1]:
        ax.set_xlabel("seconds")
    fig.tight_layout()
    save(fig, "chorus.png", colours=64)


def velocity(tmp):
    """The level of notes played at velocities 1 to 127 for each VCA DYNA setting."""
    velocities = [1] + list(range(4, 128, 4)) + [127]
    notes = ",".join(f"{0.3 * i:.1f}:69:{v}:0.2" for i, v in enumerate(velocities))
    seconds = 0.3 * len(velocities)
    levels = {}
    for name, setting in (("OFF", 0.0), ("1", 1 / 3), ("2", 2 / 3), ("3", 1.0)):
        values = patch({VCA_DYNA: setting})
        x = render(values, notes, seconds, tmp)[:, 0]
        rms = [np.sqrt(np.mean(x[int((0.3 * i + 0.08) * RATE):int((0.3 * i + 0.18) * RATE)] ** 2))
               for i in range(len(velocities))]
        levels[name] = np.array(rms)
    fig, ax = plt.subplots(figsize=(6.4, 3.6))
    off = levels.pop("OFF")
    for name, rms in levels.items():
        ax.plot(velocities, rms / off, marker=".", lw=1.2, label=f"DYNA {name}")
    ax.axhline(1.0, color="0.4", lw=1, ls="--", label="DYNA OFF")
    finish_single(fig, ax, (0, 128), (0, 1.1), "note-on velocity", "level (DYNA OFF = 1)", "lower right",
                  "velocity.png")


def main():
    for path in (RENDER, PLUGIN):
        if not os.path.exists(path):
            sys.exit(f"make-docs: {path} is missing (cmake --build --preset release)")
    os.makedirs(OUT, exist_ok=True)
    print("make-docs: pictures")
    with tempfile.TemporaryDirectory() as tmp:
        panel_pictures(tmp)
        dco_waves(tmp)
        xmod(tmp)
        filter_plot(tmp)
        envelopes(tmp)
        lfo_waves(tmp)
        chorus(tmp)
        velocity(tmp)
    try:
        changed = factory_list.update_guide(GUIDE, os.path.join(ROOT, "presets"))
    except factory_list.FormatError as error:
        sys.exit(f"make-docs: {error}")
    print(f"make-docs: factory list {'updated' if changed else 'unchanged'} in docs/guide.md")


if __name__ == "__main__":
    main()
