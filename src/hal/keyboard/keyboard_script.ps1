# Keyboard backlight probe script (filled in by its own change).
