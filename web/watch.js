// Shows Quillmere's cell stream (ANSI text, bridged to a WebSocket by websockify, which also
// serves this page) in a terminal, and plays asciicast recordings in the same terminal.
// The stream's address is the page's own unless "?stream=ws://host:port/" names another.
"use strict";

const RETRY_MILLISECONDS = 2000;
// The engine's eight colours as the game's window shows them.
const theme = {
  background: "#000000", foreground: "#ffffff",
  black: "#000000", red: "#ff0000", green: "#00ff00", yellow: "#ffff00",
  blue: "#0000ff", magenta: "#ff00ff", cyan: "#00ffff", white: "#ffffff",
};
const term = new Terminal({ cols: 80, rows: 24, cursorBlink: false, disableStdin: true, fontSize: 16,
                            scrollback: 0, theme: theme });
term.open(document.getElementById("screen"));
window.qmTerminal = term; // for tests and the curious: the buffer the page shows

const status = document.getElementById("status");
function say(text, up) {
  status.textContent = text;
  status.className = up ? "up" : "down";
}

const params = new URLSearchParams(location.search);
const address = params.get("stream") ||
  (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/";
let socket = null;
let playing = false; // a recording has the terminal; the stream waits

function connect() {
  if (playing) {
    return;
  }
  say("Connecting to the game...", false);
  socket = new WebSocket(address, ["binary"]);
  socket.binaryType = "arraybuffer";
  // The bridge takes the connection even when the game is not there: only the game's first
  // bytes say it is reachable.
  let reached = false;
  socket.onmessage = (message) => {
    if (!reached) {
      reached = true;
      term.reset(); // the stream starts with the whole screen
      say("Watching the game at " + address, true);
    }
    if (!playing) {
      term.write(new Uint8Array(message.data));
    }
  };
  socket.onclose = () => {
    socket = null;
    if (playing) {
      return;
    }
    say((reached ? "The game went away" : "The game is not reachable") +
        " (" + address + "); trying again...", false);
    setTimeout(connect, RETRY_MILLISECONDS);
  };
}

// An asciicast v2 file: a header line, then [seconds, "o", text] lines, played at their times.
function play(text) {
  const lines = text.split("\n").filter((line) => line.trim() !== "");
  let header;
  try {
    header = JSON.parse(lines[0]);
  } catch (error) {
    say("Not a recording: " + error.message, false);
    return;
  }
  playing = true;
  if (socket) {
    socket.close();
  }
  term.resize(header.width || 80, header.height || 24);
  term.reset();
  say("Playing a recording: " + (header.title || ""), true);
  const start = performance.now();
  let next = 1;
  function step() {
    const now = (performance.now() - start) / 1000;
    for (; next < lines.length; ++next) {
      let event;
      try {
        event = JSON.parse(lines[next]);
      } catch (error) {
        continue; // a damaged line is skipped
      }
      if (event[0] > now) {
        setTimeout(step, (event[0] - now) * 1000);
        return;
      }
      if (event[1] === "o") {
        term.write(event[2]);
      }
    }
    playing = false;
    say("End of the recording; back to the game in a moment.", true);
    setTimeout(connect, RETRY_MILLISECONDS);
  }
  step();
}

document.getElementById("cast").addEventListener("change", (event) => {
  const file = event.target.files[0];
  if (file) {
    file.text().then(play);
  }
});

connect();
