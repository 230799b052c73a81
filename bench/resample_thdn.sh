#!/usr/bin/env bash
# How cleanly a 48 kHz 16-bit tone comes out at 44.1 kHz: THD+N of a -3 dBFS 1 kHz sine after
# "tessavox-cli new" (the work WAV), after "sox rate -v 44100" and after ffmpeg's default
# "-ar 44100", side by side. THD+N is everything but the tone (the least-squares fit of a 1 kHz
# sine and cosine), over the whole band, against the tone, in dB; lower is cleaner.
#
# Usage: bench/resample_thdn.sh [SECONDS]
#   TESSAVOX_CLI  the program to measure (default: build-rel/src/tessavox-cli, see
#                 bench/import_vs_ffmpeg.sh for the Release build)
#   SOURCE_ARGS   further sox options for the 16-bit source (by default sox dithers it, as any
#                 16-bit recording is; "-D" leaves that out, so that the conversion's own noise
#                 stands out more)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
cli=${TESSAVOX_CLI:-build-rel/src/tessavox-cli}
[[ -x $cli ]] || { echo "no $cli: build it first (see bench/import_vs_ffmpeg.sh)" >&2; exit 1; }
read -r -a sourceArgs <<<"${SOURCE_ARGS:-}"
python=python3
"$python" -c 'import numpy' 2>/dev/null || python=/usr/bin/python3
"$python" -c 'import numpy' 2>/dev/null || { echo "numpy is missing: apt-get install python3-numpy" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox "${sourceArgs[@]}" -n -r 48000 -b 16 -c 2 "$work/tone.wav" synth "$seconds" sine 1000 vol -3dB
"$cli" new -o "$work/song.tvx" --music "$work/tone.wav" >/dev/null 2>&1
sox "$work/tone.wav" "$work/sox.wav" rate -v 44100
ffmpeg -v error -i "$work/tone.wav" -ar 44100 -y "$work/ffmpeg.wav"

"$python" - "$work" <<'EOF'
import struct, sys
import numpy as np

def samples(path):
    # The data chunk of a 16-bit PCM WAV, wherever it lies (the work WAV has a note after it).
    raw = open(path, 'rb').read()
    at, rate, channels = 12, 0, 0
    while at + 8 <= len(raw):
        cid, size = raw[at:at + 4], struct.unpack('<I', raw[at + 4:at + 8])[0]
        if cid == b'fmt ':
            channels, rate = struct.unpack('<HI', raw[at + 10:at + 16])
        elif cid == b'data':
            data = np.frombuffer(raw[at + 8:at + 8 + size], dtype='<i2').astype(np.float64)
            return rate, data.reshape(-1, channels)
        at += 8 + size + (size & 1)
    raise SystemExit(path + ': no data chunk')

def thdn(path, tone=1000.0):
    rate, pcm = samples(path)
    # Half a second off each end: the converters' start and end are not what is measured.
    x = pcm[rate // 2:len(pcm) - rate // 2, 0]
    t = np.arange(len(x)) / rate
    basis = np.column_stack([np.sin(2 * np.pi * tone * t), np.cos(2 * np.pi * tone * t), np.ones(len(x))])
    fit, *_ = np.linalg.lstsq(basis, x, rcond=None)
    signal = basis[:, :2] @ fit[:2]
    rest = x - basis @ fit
    return rate, 10 * np.log10(np.sum(rest ** 2) / np.sum(signal ** 2))

work = sys.argv[1]
for name, label in [('tone.wav', 'source (48 kHz)'), ('song.wav', 'tessavox-cli new'),
                    ('sox.wav', 'sox rate -v 44100'), ('ffmpeg.wav', 'ffmpeg -ar 44100')]:
    rate, db = thdn(work + '/' + name)
    print('%-20s %6d Hz  THD+N %7.1f dB' % (label, rate, db))
EOF
