#!/usr/bin/env python3
"""Checks the game's sprite files and shows them as the game will draw them.

Usage: check-sprites.py [--sprites DIR] [--quiet] [--preview OUT_DIR]

Every file the game loads is read the way the engine's sprite loader reads it, but more
strictly: a file that the loader would take with a warning (a missing optional key, an unused
line) is an error here, because the game must load its data without a single warning line.
On top of the format, the sizes are checked against the places where the game puts each
sprite, so that the fish can stand on the ground, crouch under an enemy fish, jump over a seaweed
without walking, and so that nothing that scrolls is stuck against the ground.

Each frame is printed with its transparent cells shown as a middle dot. With --preview, two
pictures of the 80 x 24 screen (the start screen and a moment of play) are drawn with
ImageMagick into OUT_DIR, cell by cell as the display draws them.

Exit status 0 when every file is sound, 1 otherwise.
"""

import argparse
import os
import shutil
import subprocess
import sys

# Label and path (under sprites/) of every sprite the game loads, in load order.
SPRITES = [
    ("saucer", "saucer-spr.txt"),
    ("ship", "ship-spr.txt"),
    ("bullet", "bullet-spr.txt"),
    ("explosion", "explosion-spr.txt"),
    ("gameover", "gameover-spr.txt"),
    ("gamestart", "gamestart-spr.txt"),
    ("ground", "ground-spr.txt"),
    ("enemy-fish", "enemy-fish-spr.txt"),
    ("enemy-seaweed", "enemy-seaweed-spr.txt"),
    ("player", "player-spr.txt"),
    ("player-crouch", "player-crouch-spr.txt"),
    ("powered-up", "player-powered-spr.txt"),
    ("background", "background1-spr.txt"),
    ("dead-player", "dead-player-spr.txt"),
    ("powered-crouch", "player-powered-crouch-spr.txt"),
    ("invincible-powerup", "powerups/invincible-powerup-spr.txt"),
    ("jump-powerup", "powerups/jump-powerup-spr.txt"),
    ("slow-powerup", "powerups/slow-powerup-spr.txt"),
    ("speed-powerup", "powerups/speed-powerup-spr.txt"),
]

COLORS = {"black": 0, "red": 1, "green": 2, "yellow": 3, "blue": 4, "magenta": 5, "cyan": 6, "white": 7}
RGB = {
    "black": "#000000",
    "red": "#ff0000",
    "green": "#00ff00",
    "yellow": "#ffff00",
    "blue": "#0000ff",
    "magenta": "#ff00ff",
    "cyan": "#00ffff",
    "white": "#ffffff",
}
KEYS = ("frames", "width", "height", "color", "slowdown", "transparency")
SHOWN_TRANSPARENT = "\u00b7"

# The screen and where the game puts things, in cells (y grows downward).
VIEW_W, VIEW_H = 80, 24
GROUND_POS = (0.0, 21.2)
PLAYER_START = (6.5, VIEW_H / 2)
GRAVITY = 0.01
THRUST = 0.01
JUMP_CEILING = 15
SCROLL_SPEED = 0.25
MIN_JUMP_WINDOW = 4  # steps
ENEMY_FISH_Y = 15.2
SEAWEED_Y = 16.95
POWERUP_Y = {"invincible-powerup": 15.0, "jump-powerup": 16.9, "speed-powerup": 14.0, "slow-powerup": 15.0}
START_SCREEN_POS = (VIEW_W * 0.5, VIEW_H * 0.5)  # centre of the view, framed view object
DEAD_PLAYER_RISE = 0.15


class Sprite:
    def __init__(self, label, path):
        self.label = label
        self.path = path
        self.frames = []
        self.width = self.height = self.slowdown = 0
        self.color = "white"
        self.transparency = ""


def parse_int(text):
    """A whole number with nothing else around it, or None."""
    if text and (text.isdigit() or (text[0] == "-" and text[1:].isdigit())):
        return int(text)
    return None


def read_sprite(label, path, errors):
    """Reads one sprite file; appends a message to errors for every fault; returns a Sprite."""
    sprite = Sprite(label, path)

    def fail(line_no, text):
        errors.append("%s:%d: %s" % (path, line_no, text) if line_no else "%s: %s" % (path, text))

    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        errors.append("%s: cannot open: %s" % (path, e.strerror))
        return sprite
    if b"\r" in data:
        fail(0, "carriage return in file (LF line ends only)")
    if not data.endswith(b"\n"):
        fail(0, "last line has no final newline (the loader loses it)")
    try:
        # As the loader reads it: strict UTF-8, one code point to a cell.
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        fail(0, "malformed UTF-8 at offset %d (the loader refuses the file)" % e.start)
        return sprite
    lines = text.replace("\r", "").split("\n")
    if lines and lines[-1] == "":
        lines.pop()

    pos = 0  # index into lines; line numbers are pos + 1

    def section(name):
        nonlocal pos
        opening, closing = "<%s>" % name, "</%s>" % name
        if pos >= len(lines) or lines[pos] != opening:
            have = lines[pos] if pos < len(lines) else "(end of file)"
            fail(pos + 1, "expected '%s', have '%s'" % (opening, have))
            return None
        start = pos + 1
        pos += 1
        content = []
        while pos < len(lines) and lines[pos] != closing:
            if lines[pos] == "":
                fail(pos + 1, "empty line inside %s" % name)
                return None
            content.append((pos + 1, lines[pos]))
            pos += 1
        if pos >= len(lines):
            fail(start, "never encountered '%s'" % closing)
            return None
        pos += 1
        return content

    header = section("HEADER")
    if header is None:
        return sprite
    values = {}
    for line_no, line in header:
        key = next((k for k in KEYS if line.startswith(k)), None)
        if key is None:
            fail(line_no, "unknown header line '%s'" % line)
            continue
        if key in values:
            fail(line_no, "'%s' given twice" % key)
        if len(line) < len(key) + 2 or line[len(key)] != " ":
            fail(line_no, "header line must be '%s', a space and a value: '%s'" % (key, line))
            continue
        values[key] = (line_no, line[len(key) + 1 :])
    for key in KEYS:
        if key not in values:
            fail(header[0][0] if header else 1, "header lacks '%s'" % key)
    numbers = {}
    for key in ("frames", "width", "height", "slowdown"):
        if key in values:
            line_no, value = values[key]
            number = parse_int(value)
            if number is None or number < 1:
                fail(line_no, "'%s' must be a whole number of 1 or more, have '%s'" % (key, value))
            else:
                numbers[key] = number
    if "color" in values:
        line_no, value = values["color"]
        if value not in COLORS:
            fail(line_no, "unknown colour '%s'" % value)
        else:
            sprite.color = value
    if "transparency" in values:
        line_no, value = values["transparency"]
        if len(value) != 1 or value == " ":
            fail(line_no, "transparency must be one visible character, have '%s'" % value)
        else:
            sprite.transparency = value
    sprite.width = numbers.get("width", 0)
    sprite.height = numbers.get("height", 0)
    sprite.slowdown = numbers.get("slowdown", 0)

    body = section("BODY")
    if body is None:
        return sprite
    if len(numbers) == 4:
        rows = list(body)
        for index in range(numbers["frames"]):
            frame = []
            for _ in range(sprite.height):
                if not rows:
                    fail(body[-1][0] if body else pos, "frame %d: no more frame data" % (index + 1))
                    return sprite
                line_no, row = rows.pop(0)
                if len(row) != sprite.width:
                    fail(line_no, "frame %d: row is %d long, width is %d" % (index + 1, len(row), sprite.width))
                if row.endswith(" "):
                    # Editors drop trailing blanks; the transparency character survives.
                    fail(line_no, "frame %d: row ends with a space" % (index + 1))
                if "\t" in row:
                    fail(line_no, "tab in frame %d" % (index + 1))
                frame.append(row)
            if not rows or rows[0][1] != "end":
                where = rows[0][0] if rows else pos
                fail(where, "frame %d: expected 'end'" % (index + 1))
                return sprite
            rows.pop(0)
            sprite.frames.append(frame)
        for line_no, row in rows:
            fail(line_no, "extra body line '%s'" % row)

    footer = section("FOOTER")
    if footer is None:
        return sprite
    versions = [(n, line) for n, line in footer if line.startswith("version ") and len(line) > len("version ")]
    if len(versions) != 1:
        fail(pos, "footer needs exactly one 'version' line with a value")
    for line_no, line in footer:
        if (line_no, line) not in versions:
            fail(line_no, "unused footer line '%s'" % line)
    if pos != len(lines):
        fail(pos + 1, "lines after </FOOTER> are never read")
    return sprite


def show(sprite):
    print(
        "%s  (%s)  %d x %d, %d frame(s), %s, slowdown %d, transparency '%s'"
        % (
            sprite.label,
            sprite.path,
            sprite.width,
            sprite.height,
            len(sprite.frames),
            sprite.color,
            sprite.slowdown,
            sprite.transparency,
        )
    )
    for index, frame in enumerate(sprite.frames):
        print("  frame %d" % (index + 1))
        for row in frame:
            shown = row.replace(sprite.transparency, SHOWN_TRANSPARENT) if sprite.transparency else row
            print("    |%s|" % shown)


def box(pos, sprite):
    """World box (left, top, right, bottom) of a sprite centred on pos, as the engine computes it."""
    return (
        pos[0] - sprite.width * 0.5,
        pos[1] - sprite.height * 0.5,
        pos[0] + sprite.width * 0.5,
        pos[1] + sprite.height * 0.5,
    )


def overlap(a, b):
    """Box overlap with shared edges counting, as the world manager tests it."""
    return a[0] <= b[2] and b[0] <= a[2] and a[1] <= b[3] and b[1] <= a[3]


def resting_y(player, ground_top):
    """Where the fish comes to rest: it sinks from mid-screen under gravity, and the move
    that would touch the ground is refused, so it stays at the last free position."""
    y, velocity = PLAYER_START[1], 0.0
    while True:
        velocity += GRAVITY
        if y + velocity + player.height * 0.5 >= ground_top:
            return y
        y += velocity


def steps_above(rest, height, top_edge):
    """Steps during which a fish jumping from rest with Space held is wholly above top_edge."""
    y, velocity, thrust, above = rest, 0.0, True, 0
    while True:
        if thrust and y > JUMP_CEILING:
            velocity -= THRUST
        else:
            thrust = False
            velocity += GRAVITY
        y += velocity
        if y + height * 0.5 < top_edge:
            above += 1
        if y >= rest:
            return above


def check_placements(s, errors):
    """The sizes must suit where the game puts each sprite."""

    def need(condition, text):
        if not condition:
            errors.append("placement: " + text)

    ground, player, crouch = s["ground"], s["player"], s["player-crouch"]
    ground_box = box(GROUND_POS, ground)
    top = ground_box[1]
    need(ground_box[0] <= 0 and ground_box[2] >= VIEW_W, "ground must cover columns 0 to %d" % VIEW_W)
    need(ground_box[3] <= VIEW_H + 0.5, "ground reaches below the window")
    rest = resting_y(player, top)
    standing = box((PLAYER_START[0], rest), player)
    crouched = box((PLAYER_START[0], rest + 0.5), crouch)
    print(
        "placement: ground top edge %.2f, fish rests at y %.2f (box %.2f..%.2f), crouched %.2f..%.2f"
        % (top, rest, standing[1], standing[3], crouched[1], crouched[3])
    )
    need(rest > 0 and standing[1] > 4, "the fish must stand well below the top displays")
    for name in ("powered-up", "dead-player"):
        need(s[name].height <= player.height, "'%s' must not be taller than the fish" % name)
    need(s["powered-up"].height == player.height, "'powered-up' must be as high as 'player'")
    need(s["powered-crouch"].height == crouch.height, "'powered-crouch' must be as high as 'player-crouch'")
    # The crouch moves the fish half a cell down without a collision test: one row less keeps
    # its bottom edge where it was, clear of the ground, so that it can still walk.
    need(crouch.height == player.height - 1, "'player-crouch' must be one row lower than 'player'")
    need(not overlap(crouched, ground_box), "the crouching fish overlaps the ground and cannot walk")
    # The dead fish appears where the fish was, perhaps crouching, and must rise freely.
    dead = s["dead-player"]
    dead_box = box((PLAYER_START[0], rest + 0.5 - DEAD_PLAYER_RISE), dead)
    need(not overlap(dead_box, ground_box), "the dead fish of a crouching fish is stuck in the ground")

    fish = box((VIEW_W, ENEMY_FISH_Y), s["enemy-fish"])
    print("placement: enemy fish box %.2f..%.2f" % (fish[1], fish[3]))
    need(fish[3] >= standing[1], "an enemy fish passes over a standing fish")
    need(fish[3] < crouched[1], "an enemy fish hits a crouching fish: crouching is useless")
    weed = box((VIEW_W, SEAWEED_Y), s["enemy-seaweed"])
    print("placement: seaweed box %.2f..%.2f (drawn down to %.2f, ground drawn from %.2f)"
          % (weed[1], weed[3], weed[3] + 0.5, top + 0.5))
    need(weed[3] < top, "seaweed touches the ground box: it would be stuck there")
    need(top - weed[3] <= 0.5, "seaweed floats above the ground")
    # A jump from rest: the thrust lasts while Space is held and the fish is below the
    # ceiling, then gravity brings it back. Standing still, the fish must stay above a seaweed
    # coming at the starting scroll speed while the two boxes pass each other (shared edges
    # count), with time to spare: the spare steps are how early or late the jump may start.
    above = steps_above(rest, player.height, weed[1])
    needed = player.width + s["enemy-seaweed"].width
    spare = above - needed / SCROLL_SPEED
    print("placement: a held jump keeps the fish above the seaweed for %d steps, %.1f cells of scrolling "
          "(%d needed): the jump may start within %.0f steps" % (above, above * SCROLL_SPEED, needed, spare))
    need(spare >= MIN_JUMP_WINDOW, "a held jump cannot clear the seaweed (fish and seaweed too wide, or seaweed too high)")
    for label, y in POWERUP_Y.items():
        pbox = box((VIEW_W, y), s[label])
        need(pbox[3] < top, "'%s' touches the ground box: it would be stuck there" % label)
        need(pbox[1] > 3, "'%s' reaches the top displays" % label)
    start = s["gamestart"]
    need(start.width <= VIEW_W and start.height <= VIEW_H - 2, "the start screen must fit in the view")
    start_box = box(START_SCREEN_POS, start)
    need(start_box[1] >= 0 and start_box[3] <= VIEW_H, "the start screen leaves the view")


# --- preview -------------------------------------------------------------------------------

CELL_W, CELL_H, FONT_SIZE = 1024 / VIEW_W, 768 / VIEW_H, 25


def mvg_cell(out, x, y, ch, rgb):
    """One cell as the display draws it: a background rectangle (offset a tenth of a cell left
    and a fifth down), then the glyph with its top at the cell's top."""
    px, py = x * CELL_W, y * CELL_H
    out.append("fill #000000 rectangle %.1f,%.1f %.1f,%.1f" % (px - CELL_W / 10, py + CELL_H / 5,
                                                              px - CELL_W / 10 + CELL_W, py + CELL_H / 5 + CELL_H))
    if ch != " ":
        escaped = ch.replace("\\", "\\\\").replace('"', '\\"')
        out.append('fill %s text %.1f,%.1f "%s"' % (rgb, px, py + FONT_SIZE, escaped))


def mvg_sprite(out, sprite, pos, frame=0):
    half_w, half_h = (sprite.width - 1) * 0.5, (sprite.height - 1) * 0.5
    for y, row in enumerate(sprite.frames[frame % len(sprite.frames)]):
        for x, ch in enumerate(row):
            if sprite.transparency and ch == sprite.transparency:
                continue
            mvg_cell(out, pos[0] + x - half_w, pos[1] + y - half_h, ch, RGB[sprite.color])


def mvg_string(out, text, pos, color, framed=True):
    start = pos[0] - len(text) // 2
    for i, ch in enumerate(text):
        mvg_cell(out, start + i, pos[1], ch, RGB[color])
    if framed:
        for i in range(len(text)):
            mvg_cell(out, start + i, pos[1] - 1, "-", RGB[color])
            mvg_cell(out, start + i, pos[1] + 1, "-", RGB[color])
        mvg_cell(out, pos[0] - len(text) // 2 - 1, pos[1], "|", RGB[color])
        mvg_cell(out, pos[0] - len(text) // 2 - 1 + len(text) + 1, pos[1], "|", RGB[color])


def render(out_dir, name, commands):
    convert = "/usr/bin/convert"
    if not os.path.exists(convert):
        convert = shutil.which("convert-im6.q16") or shutil.which("convert")
    font = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"
    png = os.path.join(out_dir, name + ".png")
    args = [convert, "-size", "1024x768", "xc:black", "-font", font, "-pointsize", str(FONT_SIZE)]
    # Drawing files are refused by common ImageMagick policies, so the primitives go on the
    # command line, in batches that stay under the size limit of one argument.
    for start in range(0, len(commands), 400):
        args += ["-draw", "\n".join(commands[start : start + 400])]
    subprocess.run(args + [png], check=True)
    print("preview: %s" % png)


def preview(s, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    start = []
    mvg_sprite(start, s["gamestart"], START_SCREEN_POS)
    render(out_dir, "start-screen", start)

    top = box(GROUND_POS, s["ground"])[1]
    rest = resting_y(s["player"], top)
    play = []
    for x, y in ((12, 9), (31, 4), (47, 13), (58, 7), (70, 11), (22, 14)):
        mvg_cell(play, x, y, "o", RGB["white"])
    mvg_sprite(play, s["player"], (PLAYER_START[0], rest))
    mvg_sprite(play, s["player-crouch"], (PLAYER_START[0] + 10, rest + 0.5))
    mvg_sprite(play, s["powered-up"], (PLAYER_START[0] + 20, rest - 3.0), 1)
    mvg_sprite(play, s["enemy-fish"], (40, ENEMY_FISH_Y))
    mvg_sprite(play, s["enemy-seaweed"], (52, SEAWEED_Y))
    mvg_sprite(play, s["enemy-seaweed"], (56, SEAWEED_Y), 2)
    for i, (label, y) in enumerate(POWERUP_Y.items()):
        mvg_sprite(play, s[label], (63 + 5 * i, y - (4 if i % 2 else 0)))
    mvg_sprite(play, s["dead-player"], (30, 8))
    mvg_sprite(play, s["ground"], GROUND_POS)
    mvg_string(play, " High Score 7 ", (VIEW_W / 6, 1), "yellow")
    mvg_string(play, " Points 3 ", (VIEW_W * 5 / 6, 1), "yellow")
    mvg_string(play, " Health 2 ", (VIEW_W * 5 / 6, VIEW_H - 2), "yellow")
    render(out_dir, "play", play)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sprites", default=os.path.join(here, "..", "game", "sprites"))
    parser.add_argument("--quiet", action="store_true", help="print only faults and the result")
    parser.add_argument("--preview", metavar="OUT_DIR", help="draw the start screen and a play scene")
    args = parser.parse_args()

    errors = []
    sprites = {}
    for label, rel in SPRITES:
        path = os.path.normpath(os.path.join(args.sprites, rel))
        sprite = read_sprite(label, path, errors)
        sprites[label] = sprite
        if not args.quiet and sprite.frames:
            show(sprite)
    if all(sprites[label].frames for label, _ in SPRITES):
        check_placements(sprites, errors)
    listed = {os.path.normpath(rel) for _, rel in SPRITES}
    for folder, _, files in os.walk(args.sprites):
        for name in files:
            rel = os.path.normpath(os.path.relpath(os.path.join(folder, name), args.sprites))
            if rel not in listed:
                errors.append("%s: not a sprite the game loads" % rel)
    for message in errors:
        print("ERROR " + message)
    if errors:
        print("%d sprite file fault(s)" % len(errors))
        return 1
    if args.preview:
        preview(sprites, args.preview)
    print("%d sprite files sound" % len(SPRITES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
