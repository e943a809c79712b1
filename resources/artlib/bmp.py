"""24-bit uncompressed BMP files: BITMAPFILEHEADER + BITMAPINFOHEADER, bottom-up rows
padded to four bytes, pixels stored blue, green, red."""

import struct

FILE_HEADER_SIZE = 14
INFO_HEADER_SIZE = 40
PIXEL_DATA_OFFSET = FILE_HEADER_SIZE + INFO_HEADER_SIZE
BITS_PER_PIXEL = 24
# 2835 pixels per metre is 72 dpi, what most tools write when they have no better idea.
PIXELS_PER_METRE = 2835


def row_stride(width):
    return (width * 3 + 3) & ~3


def encode(width, height, rows):
    """rows: `height` sequences of `width` (r, g, b) integer triples, top row first."""
    stride = row_stride(width)
    padding = b"\0" * (stride - width * 3)
    image_size = stride * height
    out = bytearray()
    out += struct.pack("<2sIHHI", b"BM", PIXEL_DATA_OFFSET + image_size, 0, 0, PIXEL_DATA_OFFSET)
    out += struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, width, height, 1, BITS_PER_PIXEL, 0,
                       image_size, PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
    for row in reversed(rows):
        if len(row) != width:
            raise ValueError("row of %d pixels in a picture %d wide" % (len(row), width))
        line = bytearray(width * 3)
        for i, (r, g, b) in enumerate(row):
            line[3 * i] = b
            line[3 * i + 1] = g
            line[3 * i + 2] = r
        out += line
        out += padding
    return bytes(out)


class FormatError(Exception):
    pass


def decode(data):
    """Returns (width, height, rows) with rows top first; accepts only the exact format
    that encode writes, because that is the only one the editor's resources may use."""
    if len(data) < PIXEL_DATA_OFFSET:
        raise FormatError("file shorter than its headers")
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (info_size, width, height, planes, bpp, compression,
     image_size, _, _, colours_used, _) = struct.unpack_from("<IiiHHIIiiII", data, FILE_HEADER_SIZE)
    if magic != b"BM":
        raise FormatError("no BM signature")
    if info_size != INFO_HEADER_SIZE:
        raise FormatError("info header of %d bytes, not a BITMAPINFOHEADER" % info_size)
    if planes != 1 or bpp != BITS_PER_PIXEL or compression != 0 or colours_used != 0:
        raise FormatError("not an uncompressed 24-bit picture (planes %d, %d bpp, compression %d)"
                          % (planes, bpp, compression))
    if width <= 0 or height <= 0:
        raise FormatError("size %d x %d: must be positive (bottom-up rows)" % (width, height))
    stride = row_stride(width)
    if offset != PIXEL_DATA_OFFSET or image_size != stride * height:
        raise FormatError("pixel data offset %d / size %d do not match the headers" % (offset, image_size))
    if file_size != len(data) or len(data) != offset + stride * height:
        raise FormatError("file size %d, headers say %d" % (len(data), file_size))
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        line = data[start:start + width * 3]
        rows.append([(line[3 * i + 2], line[3 * i + 1], line[3 * i]) for i in range(width)])
    return width, height, rows
