#!/usr/bin/env bash
# What lyrics in other scripts cost the stream writer: "tessavox-cli stream" of a 200-line song
# whose lines mix Japanese, Chinese, Korean, Russian, Greek, Hebrew, Arabic, Hindi and Thai,
# against a 200-line song of Latin lines of the same length in characters, both timed over the
# same 4-minute tune. Prints the best of five runs of each and their ratio.
#
# Usage: bench/script_stream.sh
#   TESSAVOX_CLI  the program to measure (default: build-rel/src/tessavox-cli, see
#                 bench/import_vs_ffmpeg.sh for the Release build)
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${TESSAVOX_CLI:-build-rel/src/tessavox-cli}
[[ -x $cli ]] || { echo "no $cli: build it first (see bench/import_vs_ffmpeg.sh)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -loglevel error -f lavfi -i "sine=frequency=330:duration=240" -ac 2 -ar 44100 "$work/tune.wav"
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
mixed = ["さくら さくら やよいの そらは", "月亮代表我的心 你问我爱你有多深", "아리랑 아리랑 아라리요",
         "Калинка калинка калинка моя", "Σαν το νερό που κυλά", "הבה נגילה הבה נגילה",
         "يا ليل يا عين يا ليل", "मेरा जूता है जापानी", "ช้าง ช้าง ช้าง น้อง เคย เห็น"]
for name, pick in (("mixed", lambda i: mixed[i % len(mixed)]),
                   ("latin", lambda i: "Twinkle twinkle little star how I wonder"[:len(mixed[i % len(mixed)])])):
    with open(f"{work}/{name}.lrc", "w", encoding="utf-8") as f:
        for i in range(200):
            f.write("[%02d:%05.2f]%s\n" % (i * 1.1 // 60, i * 1.1 % 60, pick(i)))
PY
best() {
  local song=$1 best=
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N)
    "$cli" stream "$song" -o "$work/out.cdg" --force >/dev/null
    end=$(date +%s.%N)
    best=$(python3 -c "import sys; t=float(sys.argv[2])-float(sys.argv[1]); b=sys.argv[3]; print(t if not b else min(t, float(b)))" "$start" "$end" "$best")
  done
  echo "$best"
}
for name in mixed latin; do
  "$cli" new -o "$work/$name.tvx" --music "$work/tune.wav" --lyrics "$work/$name.lrc" >/dev/null
done
mixed=$(best "$work/mixed.tvx")
latin=$(best "$work/latin.tvx")
python3 -c "import sys; m, l = float(sys.argv[1]), float(sys.argv[2]); print(f'mixed scripts {m:.3f} s, Latin {l:.3f} s, ratio {m / l:.2f}')" "$mixed" "$latin"
