#!/usr/bin/env bash
# What receiving RTP costs: a sender on the loopback sends the demo's bytes as
# TS in RTP at RATE bit/s for SECONDS, korrix-cli plays and records nothing
# else, and the CPU time it used is printed beside the RTP losses it counted.
# A run with no sender gives the idle cost of the receive thread's tick.
# Usage: bench/network_rtp_load.sh [BUILD-FOLDER] [RATE] [SECONDS]
set -euo pipefail
build=${1:-build}
rate=${2:-30000000}
seconds=${3:-20}
port=$((40000 + RANDOM % 10000))
demo="$build/bin/demo/demo.ts"

measure() {
  /usr/bin/time -f "%U %S" -o /tmp/korrix-rtp-load.$$ \
    "$build/bin/korrix-cli" play "rtp://127.0.0.1:$port" --seconds "$seconds" | tail -n 1
  read -r user system </tmp/korrix-rtp-load.$$
  rm -f /tmp/korrix-rtp-load.$$
  echo "$1: $(echo "$user + $system" | bc) s of CPU in $seconds s" \
       "= $(echo "scale=2; 100 * ($user + $system) / $seconds" | bc)% of one core"
}

measure "idle"
python3 - "$demo" "$port" "$rate" "$((seconds + 1))" <<'PY' &
import socket, struct, sys, time
stream = open(sys.argv[1], 'rb').read()
port, rate, seconds = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
payload = 7 * 188
datagrams_per_second = rate / 8 / payload
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start, sent, offset = time.monotonic(), 0, 0
while time.monotonic() - start < seconds:
    due = int((time.monotonic() - start) * datagrams_per_second)
    while sent < due:
        if offset + payload > len(stream):
            offset = 0
        header = struct.pack('!BBHII', 0x80, 33, sent & 0xFFFF, sent * 90000 // int(datagrams_per_second), 0x4B525821)
        sender.sendto(header + stream[offset:offset + payload], ('127.0.0.1', port))
        offset += payload
        sent += 1
    time.sleep(0.001)
PY
sender=$!
sleep 0.5
measure "$((rate / 1000000)) Mbit/s of RTP"
wait $sender
uptime
