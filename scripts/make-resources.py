#!/usr/bin/env python3
"""Writes the style sheets (resources/styles/*.Style) and the tool images
(resources/bmps/*.Ico) that the program ships. Run by hand when a look
changes; the results are committed."""
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# name: (window, base, text, accent, button, font-size)
STYLES = {
    "Air": ("#2f3b47", "#26313c", "#eaf2fa", "#5aa9e6", "#3a4856", 9),
    "Amakrits": ("#2b2f36", "#33383f", "#e6e6e6", "#d9822b", "#3b4048", 9),
    "AquaGraphite": ("#3a3f44", "#2e3236", "#e8eef2", "#4fb3bf", "#474d53", 9),
    "Blend": ("#424a52", "#353b41", "#eef1f4", "#8fa8c8", "#4e5760", 9),
    "Dark": ("#202124", "#2a2b2e", "#e8eaed", "#8ab4f8", "#303134", 9),
    "BlackLarge": ("#1b1b1b", "#f4f4f4", "#f2f2f2", "#5a9cff", "#2c2c2c", 12),
    "BlueLarge": ("#1d3557", "#eef5ff", "#f1faee", "#a8dadc", "#2d4a75", 12),
    "GreenLarge": ("#1f4d2b", "#f2fbf2", "#eef7ee", "#9be29b", "#2c6a3d", 12),
    "GoldenGraphite": ("#33302a", "#2a2823", "#f3e9d2", "#d4a017", "#403c34", 9),
    "Copper": ("#f3e3d3", "#fff6ee", "#3b2314", "#b87333", "#ecd3bc", 9),
    "MaterialOxfordBlue": ("#e8ecf3", "#ffffff", "#0b1d3a", "#1a3a6b", "#dbe2ee", 9),
    "Light": ("#f5f5f5", "#ffffff", "#202020", "#0078d4", "#e8e8e8", 9),
    "BeigeGreen": ("#efe8d8", "#faf6ec", "#2f3a26", "#6b8e23", "#e2d9c3", 9),
    "MaterialOxfordBlueSE": ("#14213d", "#f0f0ff", "#e5e5e5", "#fca311", "#22345c", 9),
    "Win10ModernGreen": ("#e6f2ea", "#ffffff", "#14351f", "#107c41", "#d3e9da", 9),
    "RubyGraphite": ("#2e2527", "#3a2e31", "#f5e6e8", "#c0392b", "#45363a", 9),
    "GrayGraphite": ("#3c3c3c", "#ececec", "#e0e0e0", "#9e9e9e", "#4a4a4a", 9),
    "CoralCrystal": ("#ff7f6b", "#8c3b30", "#2b0f0a", "#fff0eb", "#ff8c7a", 9),
    "CoralDark": ("#3b1f1a", "#ffe4dc", "#ffd9d0", "#ff7f50", "#5a3129", 9),
    "EmeraldCrystal": ("#2bb673", "#165a3b", "#06291a", "#eafff5", "#36c07e", 9),
    "EmeraldDark": ("#0f2e22", "#d5f5e6", "#d5f5e6", "#2ecc71", "#1a4a37", 9),
    "Diamond": ("#dfe9f3", "#1f2833", "#1a2a3a", "#7aa7d8", "#cfdeed", 9),
    "Jet": ("#0d0d0d", "#eceff1", "#d9d9d9", "#00bcd4", "#222222", 9),
    "Radiant": ("#fff8e1", "#fffdf5", "#3e2c00", "#ff9800", "#ffecb3", 9),
    "Sterling": ("#d9dde1", "#eef0f2", "#23272b", "#6c7a89", "#c8cdd2", 9),
    "Vapor": ("#2d1b4e", "#3a2463", "#f8e9ff", "#ff71ce", "#46307a", 9),
    "Transparent": ("#f0f0f0", "#3a3a3a", "#202020", "#5f9ea0", "#e4e4e4", 9),
    "Blue": ("#1e3a8a", "#1e40af", "#eff6ff", "#93c5fd", "#2547b0", 9),
    "Gray": ("#6b7280", "#4b5563", "#f9fafb", "#d1d5db", "#5b6270", 9),
    "Green": ("#166534", "#15803d", "#f0fdf4", "#86efac", "#1b7a3f", 9),
    "Purple": ("#581c87", "#6b21a8", "#faf5ff", "#d8b4fe", "#6a2a96", 9),
    "Modern": ("#fafafa", "#1f2937", "#111827", "#6366f1", "#eef0f4", 9),
    "Calypso": ("#e0f2f1", "#0f4c48", "#0d3b38", "#26a69a", "#cce9e6", 9),
    "PuertoRico": ("#d6f5ef", "#155e52", "#123d35", "#3fbfa6", "#c0ece2", 9),
    "Stellar": ("#0b1026", "#141a3a", "#e6e9ff", "#7c83fd", "#1c2350", 9),
    "WedgewoodLight": ("#e7edf3", "#2f4f6f", "#1f3347", "#4e7ea8", "#d6e0ea", 9),
}

TEMPLATE = """/* Orvane style "{name}" */
QWidget {{ background-color: {window}; color: {text}; font-size: {size}pt; }}
QMainWindow, QDialog {{ background-color: {window}; }}
QToolBar {{ background-color: {button}; border: none; spacing: 2px; padding: 2px; }}
QToolButton {{ background-color: {button}; color: {text}; border: 1px solid {accent}; border-radius: 4px; padding: 4px 8px; }}
QToolButton:hover {{ background-color: {accent}; color: {base}; }}
QToolButton:disabled {{ color: {disabled}; border-color: {disabled}; }}
QPushButton {{ background-color: {button}; color: {text}; border: 1px solid {accent}; border-radius: 4px; padding: 4px 12px; }}
QPushButton:hover {{ background-color: {accent}; color: {base}; }}
QListWidget, QTreeWidget, QTableWidget {{
    background-color: {base}; color: {listtext}; border: 1px solid {accent}; border-radius: 3px;
    selection-background-color: {accent}; selection-color: {base}; }}
QHeaderView::section {{ background-color: {button}; color: {text}; border: none; padding: 2px; }}
QPlainTextEdit, QTextEdit, QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox {{
    background-color: {editbase}; color: {edittext}; border: 1px solid {accent}; border-radius: 3px;
    selection-background-color: {accent}; selection-color: {editbase}; }}
QTabWidget::pane {{ border: 1px solid {accent}; }}
QTabBar::tab {{ background-color: {button}; color: {text}; padding: 6px 12px; border: 1px solid {accent}; min-height: 18px; }}
QTabBar::tab:selected {{ background-color: {accent}; color: {base}; }}
QStatusBar {{ background-color: {button}; }}
QSlider::groove:horizontal {{ height: 4px; background: {disabled}; }}
QSlider::handle:horizontal {{ width: 12px; margin: -5px 0; border-radius: 6px; background: {accent}; }}
QGroupBox {{ border: 1px solid {accent}; margin-top: 10px; }}
QGroupBox::title {{ subcontrol-origin: margin; left: 6px; }}
QScrollArea {{ background-color: {base}; }}
QMenu {{ background-color: {base}; color: {text}; }}
QMenu::item:selected {{ background-color: {accent}; color: {base}; }}
"""


def mix(a, b, t):
    ca = [int(a[i:i + 2], 16) for i in (1, 3, 5)]
    cb = [int(b[i:i + 2], 16) for i in (1, 3, 5)]
    return "#" + "".join("%02x" % round(x + (y - x) * t) for x, y in zip(ca, cb))


def write_styles():
    folder = os.path.join(ROOT, "resources", "styles")
    os.makedirs(folder, exist_ok=True)
    for name, (window, base, text, accent, button, size) in STYLES.items():
        # List backgrounds contrast with the list text colour the program gives
        # each style; editors use the window's own text on a tint of the window.
        light_base = int(base[1:3], 16) + int(base[3:5], 16) + int(base[5:7], 16) > 3 * 128
        listtext = "#202020" if light_base else "#f0f0f0"
        light_window = int(window[1:3], 16) + int(window[3:5], 16) + int(window[5:7], 16) > 3 * 128
        editbase = mix(window, "#ffffff" if light_window else "#000000", 0.5)
        css = TEMPLATE.format(name=name, window=window, base=base, text=text, accent=accent, button=button,
                              size=size, disabled=mix(text, window, 0.6), listtext=listtext, editbase=editbase,
                              edittext=text)
        with open(os.path.join(folder, name + ".Style"), "w", encoding="utf-8") as f:
            f.write(css)


def png_bytes(size, pixel):
    rows = b""
    for y in range(size):
        rows += b"\x00" + b"".join(bytes(pixel(x, y, size)) for x in range(size))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def bulb(on):
    glass = (255, 214, 10) if on else (150, 150, 150)
    def pixel(x, y, n):
        cx, cy, r = n / 2, n * 0.42, n * 0.3
        d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
        if d <= r:
            shade = 1.0 - 0.35 * d / r
            return (int(glass[0] * shade), int(glass[1] * shade), int(glass[2] * shade), 255)
        if abs(x + 0.5 - cx) <= n * 0.13 and cy + r * 0.8 <= y + 0.5 <= n * 0.9:
            band = int((y + 0.5) / (n * 0.06)) % 2
            return (90, 90, 90, 255) if band else (160, 160, 160, 255)
        if on and r < d <= r * 1.35 and (int(x + y) % 3 == 0):
            return (255, 240, 120, 200)
        return (0, 0, 0, 0)
    return pixel


def write_ico(path, pixel, size=32):
    png = png_bytes(size, pixel)
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(png), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + png)


def write_bmps():
    folder = os.path.join(ROOT, "resources", "bmps")
    os.makedirs(folder, exist_ok=True)
    write_ico(os.path.join(folder, "BulbOff.Ico"), bulb(False))
    write_ico(os.path.join(folder, "BulbOn.Ico"), bulb(True))


if __name__ == "__main__":
    write_styles()
    write_bmps()
