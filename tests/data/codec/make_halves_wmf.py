# Writes halves.wmf: a 64 x 48 placeable metafile (96 units per inch) whose
# left half is a red and right half a blue rectangle, drawn with GDI records.
import os
import struct
def rec(func, *words):
    return struct.pack('<IH', 3 + len(words), func) + b''.join(struct.pack('<H', w & 0xFFFF) for w in words)
def brush(rgb):
    r, g, b = rgb
    color = r | (g << 8) | (b << 16)
    return rec(0x02FC, 0, color & 0xFFFF, color >> 16, 0)
W, H = 64, 48
body = b''
body += rec(0x020B, 0, 0)            # SetWindowOrg y, x
body += rec(0x020C, H, W)            # SetWindowExt y, x
body += rec(0x02FA, 5, 0, 0, 0, 0)   # CreatePenIndirect PS_NULL -> object 0
body += rec(0x012D, 0)               # SelectObject pen
body += brush((255, 0, 0))           # object 1
body += rec(0x012D, 1)
body += rec(0x041B, H, W // 2, 0, 0) # Rectangle bottom, right, top, left
body += rec(0x01F0, 1)               # DeleteObject 1
body += brush((0, 0, 255))           # object 1 again
body += rec(0x012D, 1)
body += rec(0x041B, H, W, 0, W // 2)
body += rec(0x0000)                  # EOF
records = body
maxrec = 0
i = 0
while i < len(records):
    size = struct.unpack_from('<I', records, i)[0]
    maxrec = max(maxrec, size)
    i += size * 2
total_words = (18 + len(records)) // 2
header = struct.pack('<HHHIHIH', 1, 9, 0x0300, total_words, 2, maxrec, 0)
words = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, W, H, 96, 0)
checksum = 0
for k in range(10):
    checksum ^= struct.unpack_from('<H', words, k * 2)[0]
placeable = words + struct.pack('<H', checksum)
open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'halves.wmf'), 'wb').write(placeable + header + records)
