"""A small greyscale canvas with line drawing and a PNG writer (standard library only)."""

import struct
import zlib


class Canvas:
    def __init__(self, width, height, background=255):
        self.width = width
        self.height = height
        self.pixels = bytearray([background]) * (width * height)

    def dot(self, x, y, value=0, radius=0):
        for yy in range(y - radius, y + radius + 1):
            if 0 <= yy < self.height:
                row = yy * self.width
                for xx in range(x - radius, x + radius + 1):
                    if 0 <= xx < self.width:
                        self.pixels[row + xx] = value

    def line(self, x0, y0, x1, y1, value=0, radius=0):
        """Bresenham line between integer pixel positions."""
        x0, y0, x1, y1 = int(round(x0)), int(round(y0)), int(round(x1)), int(round(y1))
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.dot(x0, y0, value, radius)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, value=200):
        self.line(x0, y0, x1, y0, value)
        self.line(x1, y0, x1, y1, value)
        self.line(x1, y1, x0, y1, value)
        self.line(x0, y1, x0, y0, value)

    def png_bytes(self):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)  # filter type None
            raw += self.pixels[y * self.width:(y + 1) * self.width]

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 0, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))

    def save(self, path):
        with open(path, "wb") as f:
            f.write(self.png_bytes())
