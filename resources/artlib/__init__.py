"""Drawing code for Quorrelphone's three bitmaps (face, about picture, knob film strip).

Standard library only: the pictures are computed pixel by pixel, with coverage-based
anti-aliasing, and written as 24-bit BMP files by bmp.py.
"""
