// The live page: subscribes to every PC's topics (zrq6930/SITE/HOST/...) on
// the broker that served it, over MQTT-over-WebSocket, and draws them.
"use strict";

const SILENT_AFTER_MS = 5000; // rows come at least once a second while a receiver answers
const RF_FULL_SCALE = 80;     // dBuV at a full meter
const LOW_RF = 20;            // below this on both antennas the log calls it low RF
const TROUBLE_SHOWN_MS = 5000; // a record's sync error, jamming or low RF stays red this long

const pcs = new Map(); // "site/host" -> {site, host, online, program, recording, rx: Map(no -> {row, events, arrived})}

function brokerUrl() {
  const given = new URLSearchParams(location.search).get("broker");
  if (given) return given;
  return (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/";
}

function pcOf(site, host) {
  const key = site + "/" + host;
  if (!pcs.has(key)) pcs.set(key, { site, host, online: null, program: "", recording: null, rx: new Map() });
  return pcs.get(key);
}

function receiverOf(pc, no) {
  if (!pc.rx.has(no)) pc.rx.set(no, { row: null, events: [], arrived: 0, troubleWhy: "", troubleUntil: 0 });
  return pc.rx.get(no);
}

function parse(payload) {
  const text = new TextDecoder().decode(payload);
  if (text === "") return null; // a cleared retained topic
  try { return JSON.parse(text); } catch (e) { return undefined; }
}

function onMessage(topic, payload) {
  const parts = topic.split("/"); // zrq6930, site, host, ...
  if (parts.length < 4 || parts[0] !== "zrq6930") return;
  const value = parse(payload);
  if (value === undefined) return;
  const pc = pcOf(parts[1], parts[2]);
  const what = parts.slice(3);
  if (what[0] === "online") {
    pc.online = value ? value.online === true : false;
    pc.program = value && value.program ? value.program : pc.program;
  } else if (what[0] === "recording") {
    pc.recording = value;
  } else if (what[0] === "rx" && what.length >= 2) {
    const no = Number(what[1]);
    if (what.length === 2) {
      if (value === null) pc.rx.delete(no);
      else {
        const r = receiverOf(pc, no);
        r.row = value;
        r.arrived = Date.now();
        const why = recordTrouble(value);
        if (why) { r.troubleWhy = why; r.troubleUntil = r.arrived + TROUBLE_SHOWN_MS; }
      }
    } else if (what[2] === "events" && value !== null && pc.rx.has(no)) {
      receiverOf(pc, no).events = Array.isArray(value) ? value : [];
    }
  }
  scheduleDraw();
}

let drawPending = false;
function scheduleDraw() { // at most one redraw a frame, however fast messages come
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(() => { drawPending = false; draw(); });
}

function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}

function ago(ms) {
  if (ms < 0) ms = 0;
  if (ms < 60000) return Math.round(ms / 1000) + " s ago";
  if (ms < 3600000) return Math.round(ms / 60000) + " min ago";
  return Math.round(ms / 3600000) + " h ago";
}

// What a record says is wrong, or "".
function recordTrouble(row) {
  if (row.sync_error === true) return "sync error";
  if (row.reception === "jamming") return "jamming";
  if (row.rf_a !== undefined && row.rf_a < LOW_RF && row.rf_b < LOW_RF) return "low RF";
  return "";
}

function trouble(pc, r) {
  const row = r.row;
  if (!row) return "";
  if (pc.online === false) return "";
  if (row.answering === false) return "no answer";
  if (Date.now() - r.arrived > SILENT_AFTER_MS) return "silent";
  // A record's trouble stays red a while, so a glance does not miss it.
  if (r.troubleUntil > Date.now()) return r.troubleWhy;
  return "";
}

function meter(label, value) {
  const m = el("div", "meter");
  m.append(el("span", "", label));
  const bar = el("div", "bar"), fill = el("div", "fill" + (value < LOW_RF ? " low" : ""));
  fill.style.width = Math.max(0, Math.min(100, (100 * value) / RF_FULL_SCALE)) + "%";
  bar.append(fill);
  m.append(bar, el("span", "", value + " dBµV"));
  return m;
}

function receiverCard(pc, no, r) {
  const row = r.row;
  const why = trouble(pc, r);
  const card = el("div", "rx" + (why ? " alarm" : ""));
  card.dataset.pc = pc.site + "/" + pc.host;
  card.dataset.no = no;
  card.dataset.trouble = why;
  const top = el("div", "top");
  const shown = row.status && row.status !== "-" ? row.status : "";
  top.append(el("span", "no", "Rx " + no), el("span", "status", why ? (shown ? shown + " · " + why : why) : shown || "idle"));
  card.append(top);
  const mhz = row.frequency_khz ? (row.frequency_khz / 1000).toFixed(3) + " MHz" : "--- MHz";
  card.append(el("div", "where", "Bank " + row.bank + " · Channel " + row.channel + " · " + mhz));
  if (row.rf_a !== undefined) {
    card.append(meter("A", row.rf_a), meter("B", row.rf_b));
  }
  const seen = row.seen_ms ? new Date(row.seen_ms) : null;
  card.append(el("div", "seen", (seen ? "last seen " + seen.toLocaleTimeString() + " (" + ago(Date.now() - row.seen_ms) + ")" : "") + " · " + row.port));
  if (r.events.length) {
    const list = el("ul", "events");
    for (const e of r.events.slice().reverse()) {
      const t = String(e.start).length >= 19 ? String(e.start).substring(11, 19) : String(e.start);
      list.append(el("li", "", t + " " + e.kind + " " + Number(e.seconds).toFixed(1) + " s" + (e.kind !== "no answer" ? ", worst RF " + e.worst_rf : "")));
    }
    card.append(list);
  }
  return card;
}

function draw() {
  const main = document.getElementById("pcs");
  main.replaceChildren();
  const keys = [...pcs.keys()].sort();
  if (!keys.length) {
    main.append(el("p", "empty", "No PC publishes yet."));
    return;
  }
  for (const key of keys) {
    const pc = pcs.get(key);
    const box = el("section", "pc" + (pc.online === false ? " offline" : ""));
    box.dataset.pc = key;
    const h = el("h2");
    h.append(el("span", "", pc.site === pc.host ? pc.host : pc.site + " / " + pc.host));
    h.append(el("span", "state", pc.online === false ? "offline" : pc.online ? "online" : "?"));
    if (pc.recording && pc.recording.recording) {
      const which = Array.isArray(pc.recording.receivers) ? " Rx " + pc.recording.receivers.join(", ") : "";
      h.append(el("span", "rec", "● recording" + which + " since " + new Date(pc.recording.since_ms).toLocaleTimeString()));
    }
    box.append(h);
    const grid = el("div", "grid");
    for (const no of [...pc.rx.keys()].sort((a, b) => a - b)) {
      const r = pc.rx.get(no);
      // Whatever a broker delivers, one odd row costs its own card, not the page.
      try { if (r.row) grid.append(receiverCard(pc, no, r)); } catch (e) { grid.append(el("div", "rx alarm", "Rx " + no + ": unreadable row")); }
    }
    box.append(grid);
    main.append(box);
  }
}

function start() {
  const url = brokerUrl();
  const status = document.getElementById("broker");
  const client = mqtt.connect(url, { reconnectPeriod: 2000, connectTimeout: 5000, clean: true });
  client.on("connect", () => {
    status.textContent = "live from " + url;
    status.classList.remove("down");
    client.subscribe("zrq6930/#", { qos: 0 });
  });
  client.on("close", () => { status.textContent = "broker not reached (" + url + "), trying again"; status.classList.add("down"); });
  client.on("message", onMessage);
  setInterval(scheduleDraw, 1000); // ages and silences move on without messages
}

start();
