#!/usr/bin/env python3
"""Writes the example content in examples/: the start-up scene, its texture
list, and three small TGA textures in the kinds the editor reads (24-bit
uncompressed, 32-bit run-length encoded, 16-bit uncompressed)."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")
SIZE = 64


def header(image_type, depth, descriptor):
    return struct.pack("<BBBHHBHHHHBB", 0, 0, image_type, 0, 0, 0, 0, 0, SIZE, SIZE, depth, descriptor)


def checker(x, y):
    """Warm orange and cream squares, 8 to a side."""
    return (230, 120, 40) if (x // 8 + y // 8) % 2 else (250, 235, 200)


def bricks(x, y):
    """Red bricks with light mortar; long runs suit run-length encoding."""
    row = y // 8
    mortar = y % 8 == 7 or (x + (8 if row % 2 else 0)) % 16 == 15
    return (210, 200, 190) if mortar else (170, 50, 40)


def waves(x, y):
    """Blue and green diagonal stripes."""
    return (40, 90, 220) if ((x + y) // 6) % 2 else (60, 200, 150)


def write_24(name, paint):
    data = bytearray(header(2, 24, 0x20))
    for y in range(SIZE):
        for x in range(SIZE):
            r, g, b = paint(x, y)
            data += bytes((b, g, r))
    open(os.path.join(HERE, name), "wb").write(data)


def write_32_rle(name, paint):
    data = bytearray(header(10, 32, 0x28))
    pixels = [paint(x, y) + (255,) for y in range(SIZE) for x in range(SIZE)]
    i = 0
    while i < len(pixels):
        run = 1
        while i + run < len(pixels) and run < 128 and pixels[i + run] == pixels[i]:
            run += 1
        if run > 1:
            r, g, b, a = pixels[i]
            data += bytes((127 + run, b, g, r, a))
            i += run
        else:
            r, g, b, a = pixels[i]
            data += bytes((0, b, g, r, a))
            i += 1
    open(os.path.join(HERE, name), "wb").write(data)


def write_16(name, paint):
    data = bytearray(header(2, 16, 0x20))
    for y in range(SIZE):
        for x in range(SIZE):
            r, g, b = paint(x, y)
            data += struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
    open(os.path.join(HERE, name), "wb").write(data)


# size, rotation, position, shape, solid, colour (negative red: texture
# slot; negative green: material preset)
SCENE = [
    # plain colours
    ((0.8, 0.8, 0.8), (20, 30, 0), (-2.2, 1.9, 0), "c", 1, (0.8, 0.2, 0.2)),
    ((0.55, 0.55, 0.55), (0, 0, 0), (0, 1.9, 0), "s", 1, (0.2, 0.4, 0.9)),
    ((0.45, 0.45, 0.9), (-60, 20, 0), (2.2, 1.7, 0), "y", 1, (0.2, 0.8, 0.3)),
    # the six material presets
    ((0.5, 0.5, 0.5), (15, 35, 0), (-2.5, 0.6, 0), "c", 1, (0, -1, 0)),
    ((0.3, 0.3, 0.3), (0, 0, 0), (-1.5, 0.6, 0), "s", 1, (0, -2, 0)),
    ((0.3, 0.3, 0.6), (-70, 0, 0), (-0.5, 0.8, 0), "y", 1, (0, -3, 0)),
    ((0.5, 0.5, 0.5), (25, 45, 0), (0.5, 0.6, 0), "c", 1, (0, -4, 0)),
    ((0.3, 0.3, 0.3), (0, 0, 0), (1.5, 0.6, 0), "s", 1, (0, -5, 0)),
    ((0.5, 0.5, 0.5), (10, -30, 0), (2.5, 0.6, 0), "c", 1, (0, -6, 0)),
    # textures from init.scene.tex
    ((0.9, 0.9, 0.9), (15, 25, 0), (-2.0, -0.7, 0), "c", 1, (-1, 0, 0)),
    ((0.55, 0.55, 0.55), (0, 0, 0), (0, -0.7, 0), "s", 1, (-2, 0, 0)),
    ((0.5, 0.5, 0.8), (-20, 0, 0), (2.0, -0.6, 0), "y", 1, (-3, 0, 0)),
    # wire frames
    ((0.8, 0.8, 0.8), (30, 30, 0), (-1.6, -2.1, 0), "c", 0, (0.9, 0.9, 0.2)),
    ((0.5, 0.5, 0.5), (0, 0, 0), (0, -2.1, 0), "s", 0, (0.9, 0.5, 0.1)),
    ((0.4, 0.4, 0.8), (-60, 30, 0), (1.6, -1.8, 0), "y", 0, (0.6, 0.3, 0.9)),
]


def write_scene(name, objects):
    """The editor's scene format: six-line blocks, the solid flag as a raw byte."""
    out = b""
    for size, rotation, position, shape, solid, colour in objects:
        out += b"nextObject\n"
        for v in (size, rotation, position):
            out += ("%f %f %f\n" % v).encode()
        out += shape.encode() + b" " + bytes((solid,)) + b"\n"
        out += ("%f %f %f\n" % colour).encode()
    open(os.path.join(HERE, name), "wb").write(out + b"EOF")


if __name__ == "__main__":
    write_24("checker.tga", checker)
    write_32_rle("bricks.tga", bricks)
    write_16("waves.tga", waves)
    open(os.path.join(HERE, "init.scene.tex"), "w").write("checker.tga\nbricks.tga\nwaves.tga\n")
    write_scene("init.scene", SCENE)
