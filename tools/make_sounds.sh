#!/bin/sh
# Makes the game's eighteen sounds and writes them into sounds/ (or the folder given as the
# first argument):
#
#   1.wav いち  2.wav にい  3.wav さん  4.wav よん  5.wav ごお  6.wav ろく  7.wav なな
#   8.wav はち  9.wav きゅう  10.wav じゅう
#                     the spoken numbers, in the readings children use when they count
#                     aloud (よん, なな, きゅう)
#   かぞえよう.wav     "let's count", when the counting begins
#   いくつかな.wav     ぜんぶでいくつかな, "how many in all?", the question about things
#   なんにんかな.wav   ぜんぶでなんにんかな, "how many people in all?", the question about people
#   もういちど.wav     "once more", after a wrong answer
#   ポコン.wav         a short soft pop each time a character hops to a new place
#   ピコ.wav           a short bright blip when a caught character goes into the tray
#   ピンポン.wav       a cheerful two-tone chime for a right answer
#   ブー.wav           a gentle low buzzer for a wrong answer
#
# How they are made:
#   - the words by Open JTalk with the voice nitech-jp-atr503-m001, tuned for a young child's
#     ear (each setting below says why); the numbers are written as the numerals 一 to 十, which
#     its dictionary reads as numbers, in the counting readings and with their own accents
#     (written in kana, はち would be read as the particle は);
#   - the effects by sox's tone generator (sine and triangle sweeps, a softened square wave);
#   - then every sound is cut to start at its first audible sample (the game starts a sound on
#     a touch, so any leading silence would feel like lag), given a 3 ms fade-in and a short
#     fade-out against clicks, and brought to a common loudness: a target RMS level, lowered
#     where needed so that no peak goes above -1 dBFS. The effects sit a little below the voice.
#   - Output: 16-bit PCM, mono, 22050 Hz WAV.
#
# Running it again gives byte-identical files: Open JTalk is deterministic, sox runs with its
# fixed random seed (-R) and without dither (-D).
#
# Needs: open_jtalk, its dictionary and the voice, and sox with soxi (Debian packages open-jtalk,
# open-jtalk-mecab-naist-jdic, hts-voice-nitech-jp-atr503-m001 from the contrib component, and
# sox).
set -eu

out=${1:-$(dirname "$0")/../sounds}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

RATE=22050
DICTIONARY=/var/lib/mecab/dic/open-jtalk/naist-jdic
VOICE=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice
# The voice is a man's. Six half-tones up (about 140 Hz to 200 Hz) gives the raised, friendly
# pitch of speech to a small child, the pitch of a woman's voice rather than a man's.
PITCH=6
# The all-pass constant the voice was made with is 0.55; a smaller one moves the formants up
# (by about 8 % at 0.50), the shorter vocal tract of a woman to go with the higher pitch, so
# that it sounds like a lighter voice, not a man's voice played fast.
ALPHA=0.50
# Postfiltering sharpens the formants, for crisper vowels and consonants than the vocoder's soft
# default (0); only lightly: from 0.25 on it goes unstable on 六 (its samples run into a
# thump at full scale).
POSTFILTER=0.1
# A wider swing of the pitch (the weight of its global variance, 1 by default): the livelier
# melody of speech to children rather than a flat reading.
INTONATION=1.3
# Open JTalk says a word alone as briskly as in a read sentence (に lasts under 0.1 s), and its
# speed setting only stretches the silence round a single word. A longer frame (300 samples at
# 48 kHz instead of the voice's 240) slows every sound of the word alike by a quarter, with the
# pitch kept: the unhurried pace of speech to a small child, and still every number under half
# a second, because the child touches quickly.
FRAME_PERIOD=300
# Consonants live above 2 kHz, where a synthetic voice is weak and small loudspeakers are
# strong: a lift there makes k, t, s and ch clear; the rumble below the voice goes.
CLARITY="highpass 80 equalizer 3500 1.2q +5"
SPEECH_RMS=-16
EFFECT_RMS=-19

sx() { sox -R -D -V1 "$@"; }

# finish IN OUT TARGET_RMS_DB: trims leading and trailing silence, fades, sets the loudness.
finish() {
    sx "$1" -r $RATE -c 1 -b 16 "$tmp/cut.wav" \
        silence 1 0.002 1% reverse silence 1 0.002 1% reverse
    sx "$tmp/cut.wav" "$tmp/trimmed.wav" fade q 0.003 -0 0.03
    stats=$(sx "$tmp/trimmed.wav" -n stats 2>&1)
    rms=$(echo "$stats" | awk '/^RMS lev dB/ { print $4 }')
    peak=$(echo "$stats" | awk '/^Pk lev dB/ { print $4 }')
    gain=$(awk -v t="$3" -v r="$rms" -v p="$peak" \
        'BEGIN { g = t - r; if (p + g > -1) g = -1 - p; printf "%.2f", g }')
    sx "$tmp/trimmed.wav" -b 16 "$2" gain "$gain"
}

# speak FILE TEXT [FRAME_PERIOD]
speak() {
    printf '%s\n' "$2" | open_jtalk -x $DICTIONARY -m $VOICE -fm $PITCH -a $ALPHA \
        -b $POSTFILTER -jf $INTONATION -p "${3:-$FRAME_PERIOD}" -ow "$tmp/voice.wav"
    sx "$tmp/voice.wav" "$tmp/clear.wav" $CLARITY
    finish "$tmp/clear.wav" "$out/$1" $SPEECH_RMS
}

# A Japanese adult counting aloud with a small child gives every number about the same time,
# lengthening the short ones (にい, ごお). So each number has a frame period of its own: the
# first, in steps of 10 from FRAME_PERIOD up, at which it lasts 0.36 s or more (found once by
# trying them in turn). Each then lasts 0.36 to 0.39 s, under half a second still, so that it has
# ended before the next touch of a child who touches twice a second; the script stops should one
# fall outside 0.30 to 0.48 s.
# speak_number FILE TEXT FRAME_PERIOD
speak_number() {
    speak "$1" "$2" "$3"
    length=$(soxi -D "$out/$1")
    awk -v l="$length" 'BEGIN { exit !(l >= 0.30 && l <= 0.48) }' ||
        { echo "make_sounds: $1 lasts $length s" >&2; exit 1; }
}

# に and ご with their long vowel, written with the long vowel mark.
speak_number 1.wav 一 440
speak_number 2.wav 二ー 410
speak_number 3.wav 三 440
speak_number 4.wav 四 450
speak_number 5.wav 五ー 500
speak_number 6.wav 六 320
speak_number 7.wav 七 400
speak_number 8.wav 八 410
speak_number 9.wav 九 490
speak_number 10.wav 十 540
# The prompts say what the message line shows.
speak "かぞえよう.wav" "かぞえよう"
speak "いくつかな.wav" "ぜんぶでいくつかな"
speak "なんにんかな.wav" "ぜんぶでなんにんかな"
speak "もういちど.wav" "もういちど"

# tone FILE LENGTH SYNTH...: one tone into $tmp/FILE
tone() {
    name=$1
    shift
    sx -n -r $RATE -c 1 -b 16 "$tmp/$name" synth "$@"
}

# ポコン: two soft falling sine pops, the second a little higher ("po", "kon"). Under 0.1 s in
# all: a character may hop every 0.1 s, and while its pop plays a touch does not count.
tone po.wav 0.03 sine 620-330 fade q 0.002 0.03 0.02
tone kon.wav 0.055 sine 880-440 fade q 0.002 0.055 0.045
sx "$tmp/po.wav" "$tmp/kon.wav" "$tmp/pokon.wav"
finish "$tmp/pokon.wav" "$out/ポコン.wav" $EFFECT_RMS

# ピコ: two quick bright triangle blips rising a fifth ("pi", "ko").
tone pi.wav 0.04 triangle 1760 fade q 0.002 0.04 0.015
tone ko.wav 0.07 triangle 2637 fade q 0.002 0.07 0.05
sx "$tmp/pi.wav" "$tmp/ko.wav" "$tmp/piko.wav"
finish "$tmp/piko.wav" "$out/ピコ.wav" $EFFECT_RMS

# ピンポン: a door-chime pair, E6 then C6, each a sine with a soft octave below, ringing out.
tone pin.wav 0.32 sine 1318.5 sine mix 659.25 fade h 0.005 0.32 0.25
tone pon.wav 0.75 sine 1046.5 sine mix 523.25 fade h 0.005 0.75 0.6
sx "$tmp/pin.wav" "$tmp/pon.wav" "$tmp/pinpon.wav"
finish "$tmp/pinpon.wav" "$out/ピンポン.wav" $EFFECT_RMS

# ブー: a soft low buzz sliding slightly down, its edges rounded off by a low-pass filter.
tone boo.wav 0.5 square 175-155 lowpass 600 lowpass 600 fade h 0.03 0.5 0.15
finish "$tmp/boo.wav" "$out/ブー.wav" $EFFECT_RMS
