#!/usr/bin/env python3
"""Writes examples/decoder.jed: a small 22V10 design whose logic is known, framed as a file.

Pins 2 and 3 select, pin 4 enables; pins 23..20 are the decoded outputs (combinatorial,
active high); pin 19 is a D flip-flop of pin 5 clocked by pin 1 (registered, active high).
The other cells are unused: output never enabled, every term always false.
"""
import sys

ORDER = [1, 23, 2, 22, 3, 21, 4, 20, 5, 19, 6, 18, 7, 17, 8, 16, 9, 15, 10, 14, 11, 13]
TERMS = [8, 10, 12, 14, 16, 16, 14, 12, 10, 8]


def column(pin, negated):
    return 2 * ORDER.index(pin) + (1 if negated else 0)


def term(*literals):
    """A product term: 0 (intact) where a literal is connected, 1 (blown) elsewhere."""
    row = [1] * 44
    for lit in literals:
        row[column(abs(lit), lit < 0)] = 0
    return row


fuses = [0] * 5892
first_row = [0] * 10
r = 1
for k, n in enumerate(TERMS):
    first_row[k] = r
    r += 1 + n


def put_row(row, bits):
    fuses[row * 44:row * 44 + 44] = bits


ALWAYS = [1] * 44
logic = {  # cell k (pin 23-k): list of product terms
    0: [term(-2, -3, 4)],
    1: [term(2, -3, 4)],
    2: [term(-2, 3, 4)],
    3: [term(2, 3, 4)],
    4: [term(5)],
}
for k, terms in logic.items():
    put_row(first_row[k], ALWAYS)  # output always enabled
    for i, t in enumerate(terms):
        put_row(first_row[k] + 1 + i, t)
    fuses[5808 + 2 * k] = 1                          # S0: active high
    fuses[5809 + 2 * k] = 0 if k == 4 else 1         # S1: registered for pin 19
for i, byte in enumerate(b"DECODER\0"):
    for j in range(8):
        fuses[5828 + 8 * i + j] = (byte >> (7 - j)) & 1


def fuse_checksum(bits):
    total = 0
    for i in range(0, len(bits), 8):
        total += sum(b << j for j, b in enumerate(bits[i:i + 8]))
    return total & 0xFFFF


lines = ["Gantrel example: a 2-to-4 decoder with enable and one D flip-flop",
         "*QP24", "*QF5892", "*QV0", "*G0", "*F0"]
for row in range(132):
    bits = fuses[row * 44:row * 44 + 44]
    if any(bits):
        lines.append("*L%04d %s" % (row * 44, "".join(map(str, bits))))
lines.append("*L5808 " + "".join(map(str, fuses[5808:5828])))
lines.append("*L5828 " + "".join(map(str, fuses[5828:5892])))
lines.append("*C%04X" % fuse_checksum(fuses))
lines.append("*")
text = "\r\n".join(lines).encode("ascii")
tc = (5 + sum(b - 256 if b >= 128 else b for b in text)) & 0xFFFF
sys.stdout.buffer.write(b"\x02" + text + b"\x03" + b"%04X" % tc)
