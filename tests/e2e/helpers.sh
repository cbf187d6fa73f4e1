# Helpers for the setup scripts of the end-to-end cases.

# le16 / le32 VALUE: the value as little-endian bytes.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# mkwav NAME RATE CHANNELS BITS DATA_SIZE: a canonical 44-byte PCM header and
# DATA_SIZE bytes of silence, sparse, so that a long track costs no disk space.
# (truncate -s 44 NAME leaves the header alone, as a cut-off file.)
mkwav() {
    local align=$(($3 * ($4 / 8)))
    {
        printf 'RIFF'; le32 $((36 + $5)); printf 'WAVEfmt '; le32 16
        le16 1; le16 "$3"; le32 "$2"; le32 $(($2 * align)); le16 "$align"; le16 "$4"
        printf 'data'; le32 "$5"
    } > "$1"
    truncate -s $((44 + $5)) "$1"
}

# noise BYTES SEED: the same pseudo-random bytes on every machine, all 256 values.
noise() {
    local state=$2 escapes= escape i
    for ((i = 0; i < 4096 && i < $1; i++)); do
        state=$(((state * 1103515245 + 12345) & 0x7fffffff))
        printf -v escape '\\%03o' $((state >> 16 & 255))
        escapes+=$escape
    done
    local block
    block=$(mktemp)
    printf "$escapes" > "$block"
    for ((i = 0; i < $1; i += 4096)); do cat "$block"; done | head -c "$1"
    rm -f "$block"
}
