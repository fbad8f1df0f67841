// The page side of the program: the canvas for the "Web" driver and the
// text console, and the page's events. Handlers only queue events in
// Module.diceEvents; the program takes them at its next poll
// (console/web/web_events.cpp reads the queue).
(function () {
  const canvas = document.getElementById("dice-canvas");
  const text = document.getElementById("dice-text");
  const message = document.getElementById("dice-message");
  const context = canvas && canvas.getContext ? canvas.getContext("2d") : null;
  const queue = [];
  // Queues an event and wakes a program that waits for one.
  function post(event) {
    queue.push(event);
    if (Module.diceWake) Module.diceWake();
  }
  let screenOpen = false;

  Module.canvas = canvas;
  Module.diceEvents = queue;
  Module.diceEventsTaken = 0;

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
    post([1, typed(e.key), modifiers(e), 0, e.code]);
  });
  addEventListener("keyup", function (e) {
    held.delete(e.code);
    e.preventDefault();
    post([2, 0, modifiers(e), 0, e.code]);
  });
  addEventListener("paste", function (e) {
    e.preventDefault();
    const pasted = (e.clipboardData ? e.clipboardData.getData("text") : "").replace(/\r\n?/g, "\n");
    for (const c of pasted) post([3, c.codePointAt(0), 0, 0, ""]);
  });
  function pointer(e) {
    const r = canvas.getBoundingClientRect();
    const x = Math.floor((e.clientX - r.left) * canvas.width / r.width);
    const y = Math.floor((e.clientY - r.top) * canvas.height / r.height);
    const inside = x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
    post([4, inside ? x : -1, inside ? y : -1, e.buttons & 7, ""]);
  }
  if (canvas) {
    for (const kind of ["mousemove", "mousedown", "mouseup"]) canvas.addEventListener(kind, pointer);
    canvas.addEventListener("mouseleave", function () { post([4, -1, -1, 0, ""]); });
    canvas.addEventListener("wheel", function (e) {
      e.preventDefault();
      if (e.deltaY) post([5, e.deltaY < 0 ? 1 : -1, 0, 0, ""]);
    }, {passive: false});
    canvas.addEventListener("contextmenu", function (e) { e.preventDefault(); });
  }
  addEventListener("focus", function () { held.clear(); post([6, 1, 0, 0, ""]); });
  addEventListener("blur", function () { held.clear(); post([6, 0, 0, 0, ""]); });
  // Leaving the page is the close key.
  addEventListener("pagehide", function () { post([7, 0, 0, 0, ""]); });
})();
