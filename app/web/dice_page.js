// The page side of the program: the canvas for the "Web" driver and the
// text console, and the page's events. Handlers only queue keys in
// Module.diceEvents and note the rest in Module.diceState; the program
// takes them at its next poll (console/web/web_events.cpp reads both).
(function () {
  const canvas = document.getElementById("dice-canvas");
  const text = document.getElementById("dice-text");
  const message = document.getElementById("dice-message");
  const context = canvas && canvas.getContext ? canvas.getContext("2d") : null;
  // Keys wait in order, a paste as one entry. A program that takes no keys
  // must not make the page hoard them: a full queue drops new presses (the
  // oldest are kept) and the releases of keys whose press it dropped.
  const queue = [], queueLimit = 512;
  const pressed = new Set();  // queued or taken presses not yet released
  // The pointer, wheel, focus and leaving the page are state, taken whole
  // at the program's next poll: they never wait behind keys.
  const state = { moved: false, x: -1, y: -1, buttons: 0, wheel: 0, focus: -1, closed: false };
  function wake() {
    if (Module.diceWake) Module.diceWake();
  }
  function postKey(event) {
    const release = event[0] === 2;
    if (queue.length >= queueLimit && !(release && pressed.has(event[3]))) return;
    if (event[0] === 1) pressed.add(event[3]);
    if (release) pressed.delete(event[3]);
    queue.push(event);
    wake();
  }
  function change(what) {
    Object.assign(state, what);
    wake();
  }
  let screenOpen = false;

  Module.canvas = canvas;
  Module.diceEvents = queue;
  Module.diceState = state;

  // Settings from the query string (?DNGFX=null) reach the program's
  // environment.
  const query = new URLSearchParams(location.search);
  Module.preRun = (Module.preRun || []).concat([function () {
    for (const name of ["DNGFX"]) if (query.has(name)) ENV[name] = query.get(name);
  }]);

  Module.onExit = function (code) {
    Module.diceExitCode = code;
    message.textContent = "The program has ended.";
    message.hidden = false;
  };
  Module.onAbort = function (what) {
    if (typeof WebAssembly !== "object") return;  // the page has said why
    message.textContent = "The program stopped: " + what;
    message.hidden = false;
  };

  // The largest whole enlargement that fits the page.
  function fit() {
    if (!canvas) return;
    const zoom = Math.max(1, Math.floor(Math.min(innerWidth / canvas.width, innerHeight / canvas.height)));
    canvas.style.width = canvas.width * zoom + "px";
    canvas.style.height = canvas.height * zoom + "px";
  }
  addEventListener("resize", fit);
  fit();

  function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else if (document.documentElement.requestFullscreen)
      document.documentElement.requestFullscreen().catch(() => {});
  }
  document.getElementById("dice-full").addEventListener("click", function () {
    toggleFullScreen();
    canvas && canvas.focus();
  });

  // The text console: 80 x 25 cells of 8 x 16 pixels.
  const textRows = [];
  Module.diceTextRow = function (row, line, cursorCol) {
    if (screenOpen) return;
    if (!context) {
      textRows[row] = line.replace(/\s+$/, "");
      text.textContent = textRows.join("\n").replace(/\s+$/, "");
      text.hidden = false;
      return;
    }
    if (canvas.width !== 640 || canvas.height !== 400) {
      canvas.width = 640;
      canvas.height = 400;
      fit();
    }
    context.fillStyle = "#000";
    context.fillRect(0, row * 16, 640, 16);
    context.fillStyle = "#aaa";
    context.font = "15px monospace";
    context.textBaseline = "top";
    const chars = Array.from(line);
    for (let i = 0; i < chars.length; ++i) if (chars[i] !== " ") context.fillText(chars[i], i * 8, row * 16 + 1, 8);
    if (cursorCol >= 0) context.fillRect(cursorCol * 8, row * 16 + 14, 8, 2);
  };

  // The "Web" driver's canvas.
  Module.diceOpenScreen = function (width, height) {
    if (!context) return false;
    canvas.width = width;
    canvas.height = height;
    screenOpen = true;
    fit();
    canvas.focus();
    return true;
  };
  Module.diceCloseScreen = function () { screenOpen = false; };
  Module.dicePutRows = function (rgba, width, first, end) {
    context.putImageData(new ImageData(new Uint8ClampedArray(rgba), width, end - first), 0, first);
  };

  // Which side's Ctrl and Alt are held, for the control state.
  const held = new Set();
  function modifiers(e) {
    let m = e.shiftKey ? 1 : 0;
    const altGraph = e.getModifierState && e.getModifierState("AltGraph");
    if (altGraph) return m | 32;
    if (e.ctrlKey) m |= held.has("ControlRight") && !held.has("ControlLeft") ? 4 : 2;
    if (e.altKey) m |= held.has("AltRight") && !held.has("AltLeft") ? 16 : 8;
    return m;
  }
  function typed(key) {
    const chars = Array.from(key);
    return chars.length === 1 ? chars[0].codePointAt(0) : 0;
  }
  addEventListener("keydown", function (e) {
    held.add(e.code);
    if (e.altKey && (e.code === "Enter" || e.code === "NumpadEnter")) {
      e.preventDefault();
      toggleFullScreen();
      return;
    }
    // Pasting is left to the browser, which sends the text as a paste.
    const key = e.key.toLowerCase();
    if ((e.ctrlKey && !e.altKey && key === "v") || (e.shiftKey && e.code === "Insert")) return;
    e.preventDefault();
    postKey([1, typed(e.key), modifiers(e), e.code]);
  });
  addEventListener("keyup", function (e) {
    held.delete(e.code);
    e.preventDefault();
    postKey([2, 0, modifiers(e), e.code]);
  });
  addEventListener("paste", function (e) {
    e.preventDefault();
    const pasted = (e.clipboardData ? e.clipboardData.getData("text") : "").replace(/\r\n?/g, "\n");
    if (pasted) postKey([3, pasted, 0, ""]);  // [2]: how far the program has read
  });
  function pointer(e) {
    const r = canvas.getBoundingClientRect();
    const x = Math.floor((e.clientX - r.left) * canvas.width / r.width);
    const y = Math.floor((e.clientY - r.top) * canvas.height / r.height);
    const inside = x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
    change({ moved: true, x: inside ? x : -1, y: inside ? y : -1, buttons: e.buttons & 7 });
  }
  if (canvas) {
    for (const kind of ["mousemove", "mousedown", "mouseup"]) canvas.addEventListener(kind, pointer);
    canvas.addEventListener("mouseleave", function () { change({ moved: true, x: -1, y: -1, buttons: 0 }); });
    canvas.addEventListener("wheel", function (e) {
      e.preventDefault();
      if (e.deltaY) change({ wheel: state.wheel + (e.deltaY < 0 ? 1 : -1) });
    }, {passive: false});
    canvas.addEventListener("contextmenu", function (e) { e.preventDefault(); });
  }
  addEventListener("focus", function () { held.clear(); change({ focus: 1 }); });
  addEventListener("blur", function () { held.clear(); change({ focus: 0 }); });
  // Leaving the page is the close key.
  addEventListener("pagehide", function () { change({ closed: true }); });
})();
