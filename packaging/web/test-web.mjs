// Plays the browser build in headless chromium as a player would and checks
// what the player sees and hears. scripts/test-web.sh runs it.
//
// Usage: node test-web.mjs SITE_DIR TITLE_BMP HUD_JSON CHROMIUM
//   SITE_DIR   the built korvane-web folder
//   TITLE_BMP  the title picture the desktop game shows, pixel for pixel
//   HUD_JSON   the desktop game's score and life icons (hud_reference's output)
import { readFileSync } from "node:fs";
import puppeteer from "puppeteer-core";
import { serve } from "./serve.mjs";

const [siteDir, titleBmp, hudJson, chromium] = process.argv.slice(2);
const WIDTH = 640;
const HEIGHT = 480;
const PLAY_SECONDS = 10;
// The game's frame lasts at least 30 ms: about 33 frames a second.
const MIN_FRAME_RATE = 30;
const MAX_FRAME_RATE = 34;
// Nothing beyond full scale: that would be headroom lost on the way from the
// mixer to the browser, which clamps it. The mix itself reaches its rail
// (|s| >= 32000 of 32768, as the desktop's sound figures count it) on a few
// hundredths of a percent of its samples when explosions land on held fire,
// as much in the browser as on the desktop; a tenth of a percent is the
// desktop's aim over a minute, and ten seconds are allowed five times that.
const FULL_SCALE = 32000 / 32768;
const MAX_FULL_SCALE_SHARE = 0.005;
const MIN_RMS = 0.01;
const LOAD_TIMEOUT_MS = 60000;
const STEP_TIMEOUT_MS = 5000;
// Linux counts process times in these per second (USER_HZ).
const CLOCK_TICKS = 100;

const failures = [];
function check(ok, what) {
    console.log(`${ok ? "ok  " : "FAIL"} ${what}`);
    if (!ok) failures.push(what);
}

// A 24-bit bottom-up BMP as rows of RGB, top row first.
function readBmp(path) {
    const file = readFileSync(path);
    const offset = file.readUInt32LE(10);
    const width = file.readInt32LE(18);
    const height = file.readInt32LE(22);
    if (file.readUInt16LE(28) !== 24 || height <= 0) throw new Error(`${path}: not a 24-bit bottom-up BMP`);
    const stride = Math.ceil((width * 3) / 4) * 4;
    const rgb = Buffer.alloc(width * height * 3);
    for (let y = 0; y < height; y++) {
        for (let x = 0; x < width; x++) {
            const at = offset + (height - 1 - y) * stride + x * 3;
            rgb.set([file[at + 2], file[at + 1], file[at]], (y * width + x) * 3);
        }
    }
    return { width, height, rgb };
}

// Installed before the page's own script: counts the frames the game puts on
// the canvas (SDL2 draws each SDL_Flip with one putImageData), those that
// differ from the one before and the pure red pixels in some, and taps the game's audio on its way to the
// speakers to measure every sample.
function instrumentPage() {
    const frames = { puts: 0, changes: [], firstAt: 0, lastHash: -1, counting: false, red: 0, scanned: 0 };
    window.korvaneFrames = frames;
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
        put.call(this, image, ...rest);
        if (frames.firstAt === 0) frames.firstAt = performance.now();
        let hash = 0;
        for (let i = 0; i < image.data.length; i += 4 * 61) hash = (hash * 31 + image.data[i] + image.data[i + 1] * 7) | 0;
        if (frames.counting) {
            frames.puts += 1;
            if (hash !== frames.lastHash) frames.changes.push(performance.now());
            // Every tenth frame is searched for pure red, the colour key.
            if (frames.puts % 10 === 0) {
                frames.scanned += 1;
                for (let i = 0; i < image.data.length; i += 4) {
                    if (image.data[i] === 255 && image.data[i + 1] === 0 && image.data[i + 2] === 0) frames.red += 1;
                }
            }
        }
        frames.lastHash = hash;
    };

    const sound = { samples: 0, fullScale: 0, beyond: 0, squares: 0, peak: 0, counting: false };
    window.korvaneSound = sound;
    const Original = window.AudioContext;
    const destination = Object.getOwnPropertyDescriptor(BaseAudioContext.prototype, "destination").get;
    window.AudioContext = class extends Original {
        constructor(options) {
            super(options);
            const tap = this.createScriptProcessor(4096, 2, 2);
            tap.onaudioprocess = (event) => {
                for (let c = 0; c < event.inputBuffer.numberOfChannels; c++) {
                    const input = event.inputBuffer.getChannelData(c);
                    event.outputBuffer.getChannelData(c).set(input);
                    if (!sound.counting) continue;
                    for (const s of input) {
                        const size = Math.abs(s);
                        sound.samples += 1;
                        sound.squares += s * s;
                        sound.peak = Math.max(sound.peak, size);
                        if (size >= FULL_SCALE) sound.fullScale += 1;
                        if (size > 1) sound.beyond += 1;
                    }
                }
            };
            tap.connect(destination.call(this));
            Object.defineProperty(this, "destination", { value: tap });
        }
    };
}

// Installed before the page's own script: a gamepad the browser shows the
// page (as it does once a button has been pressed), with nothing pressed.
function fakeGamepad() {
    const pad = { id: "test pad", index: 0, connected: true, mapping: "standard", timestamp: 1, axes: [0, 0, 0, 0],
                  buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
    window.korvanePad = pad;
    navigator.getGamepads = () => [pad, null, null, null];
}

// The canvas's pixels as RGBA.
async function canvasPixels(page) {
    const data = await page.evaluate(() => {
        const canvas = document.getElementById("canvas");
        const pixels = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
        let text = "";
        for (let i = 0; i < pixels.length; i += 0x8000) text += String.fromCharCode(...pixels.subarray(i, i + 0x8000));
        return btoa(text);
    });
    return Buffer.from(data, "base64");
}

function countMismatches(canvas, bmp) {
    let mismatches = 0;
    for (let i = 0; i < bmp.width * bmp.height; i++) {
        if (canvas[i * 4] !== bmp.rgb[i * 3] || canvas[i * 4 + 1] !== bmp.rgb[i * 3 + 1] ||
            canvas[i * 4 + 2] !== bmp.rgb[i * 3 + 2]) mismatches += 1;
    }
    return mismatches;
}

// Pixels of the HUD's drawn (not keyed-out) parts that differ from the desktop's.
function hudMismatches(canvas, hud) {
    let mismatches = 0;
    for (const item of hud) {
        item.pixels.forEach((pixel, i) => {
            if (pixel === null) return;
            const at = ((item.y + Math.floor(i / item.w)) * WIDTH + item.x + (i % item.w)) * 4;
            if (canvas[at] !== pixel[0] || canvas[at + 1] !== pixel[1] || canvas[at + 2] !== pixel[2]) mismatches += 1;
        });
    }
    return mismatches;
}

// Polls test() until it returns something truthy or the time runs out.
async function waitFor(test, timeoutMs) {
    const end = Date.now() + timeoutMs;
    for (;;) {
        const result = await test();
        if (result || Date.now() > end) return result;
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
}

// CPU seconds (user and system) of a process and all its descendants.
function treeCpuSeconds(rootPid) {
    const children = (pid) => {
        try {
            return readFileSync(`/proc/${pid}/task/${pid}/children`, "utf8").trim().split(/\s+/).filter(Boolean).map(Number);
        } catch {
            return [];
        }
    };
    let total = 0;
    const visit = (pid) => {
        try {
            const fields = readFileSync(`/proc/${pid}/stat`, "utf8").split(") ")[1].split(" ");
            total += (Number(fields[11]) + Number(fields[12])) / CLOCK_TICKS;
        } catch {
            return;
        }
        children(pid).forEach(visit);
    };
    visit(rootPid);
    return total;
}

const title = readBmp(titleBmp);
const hud = JSON.parse(readFileSync(hudJson, "utf8"));
const server = await serve(siteDir, 0);
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ["--no-sandbox", "--window-size=800,640"],
});
try {
    const page = await browser.newPage();
    await page.setViewport({ width: 800, height: 640 });
    const errors = [];
    const watchErrors = (watched) => {
        watched.on("console", (message) => {
            if (message.type() === "error") errors.push(`console: ${message.text()}`);
        });
        watched.on("pageerror", (error) => errors.push(`page: ${error.message}`));
        watched.on("requestfailed", (request) => errors.push(`request failed: ${request.url()}`));
        watched.on("response", (response) => {
            if (response.status() >= 400) errors.push(`HTTP ${response.status()}: ${response.url()}`);
        });
    };
    watchErrors(page);
    await page.evaluateOnNewDocument(`const FULL_SCALE = ${FULL_SCALE}; (${instrumentPage})();`);

    // The page waits for a first key press, saying that it starts the sound
    // too; the title shows once it comes.
    await page.goto(url);
    const prompt = await page.evaluate(() => document.getElementById("message").textContent);
    const soundNote = () => page.evaluate(() => !document.getElementById("sound").hidden);
    check(prompt.startsWith("Press a key") && await soundNote(),
        `before any key the page asks for one ("${prompt}") and says the sound starts with it`);
    // The program and its data are in before the key comes.
    await page.waitForFunction(() => typeof callMain === "function" && runDependencies === 1, { timeout: LOAD_TIMEOUT_MS });
    const keyAt = await page.evaluate(() => performance.now());
    await page.keyboard.press("Space");
    const firstFrame = await waitFor(() => page.evaluate(() => window.korvaneFrames.firstAt), STEP_TIMEOUT_MS);
    check(firstFrame > 0, `the game draws its first frame ${Math.round(firstFrame - keyAt)} ms after the key ` +
        `(${Math.round(firstFrame)} ms after the page was asked for)`);
    const titleDiff = await waitFor(async () => countMismatches(await canvasPixels(page), title) === 0, STEP_TIMEOUT_MS) ? 0
        : countMismatches(await canvasPixels(page), title);
    check(titleDiff === 0, `the title is the title picture, pixel for pixel (${titleDiff} pixels differ)`);
    const soundStarted = await waitFor(async () => !(await soundNote()), STEP_TIMEOUT_MS);
    const soundState = await page.evaluate(() => Module.SDL2.audioContext.state);
    check(soundStarted, `the key started the sound (${soundState}), and the page no longer asks for one`);

    // A key starts a game: the HUD is the desktop's at score 0 with three ships.
    await page.keyboard.press("Enter");
    const hudDiff = await waitFor(async () => {
        const canvas = await canvasPixels(page);
        return countMismatches(canvas, title) > 0 && hudMismatches(canvas, hud) === 0;
    }, STEP_TIMEOUT_MS) ? 0 : hudMismatches(await canvasPixels(page), hud);
    check(hudDiff === 0, `a key starts a game whose score and lives are the desktop's, pixel for pixel (${hudDiff} differ)`);
    // Ten seconds of play with fire held, sweeping left and right.
    await page.evaluate(() => {
        window.korvaneFrames.counting = true;
        window.korvaneSound.counting = true;
    });
    const cpuBefore = treeCpuSeconds(browser.process().pid);
    const started = Date.now();
    await page.keyboard.down("ShiftLeft");
    for (let second = 0; second < PLAY_SECONDS; second++) {
        const arrow = second % 4 < 2 ? "ArrowLeft" : "ArrowRight";
        await page.keyboard.down(arrow);
        await new Promise((resolve) => setTimeout(resolve, 1000 - ((Date.now() - started) % 1000)));
        await page.keyboard.up(arrow);
    }
    await page.keyboard.up("ShiftLeft");
    const counts = await page.evaluate(() => {
        window.korvaneFrames.counting = false;
        window.korvaneSound.counting = false;
        return { frames: window.korvaneFrames, sound: window.korvaneSound };
    });
    const seconds = (Date.now() - started) / 1000;
    const cpu = (treeCpuSeconds(browser.process().pid) - cpuBefore) / seconds;
    check(counts.frames.scanned > 0 && counts.frames.red === 0,
        `no pure red pixel in ${counts.frames.scanned} frames of play (${counts.frames.red} found)`);
    // The typical gap between two changes is the frame clock's; a moment when
    // another program holds the machine's cores lengthens a few gaps, not it.
    const changes = counts.frames.changes;
    const gaps = changes.slice(1).map((at, i) => at - changes[i]).sort((a, b) => a - b);
    const rate = gaps.length ? 1000 / gaps[Math.floor(gaps.length / 2)] : 0;
    check(rate >= MIN_FRAME_RATE && rate <= MAX_FRAME_RATE,
        `the picture changes ${rate.toFixed(1)} times a second, by the median gap ` +
        `(${changes.length} changes in ${seconds.toFixed(1)} s, ${(changes.length / seconds).toFixed(1)} a second on average)`);
    const { samples, fullScale, beyond, squares, peak } = counts.sound;
    const rms = samples ? Math.sqrt(squares / samples) : 0;
    const rmsDb = rms > 0 ? (20 * Math.log10(rms)).toFixed(1) : "-inf";
    check(samples > 0 && rms >= MIN_RMS, `held fire is heard: RMS ${rmsDb} dBFS over ${samples} samples`);
    check(fullScale <= MAX_FULL_SCALE_SHARE * samples && beyond === 0,
        `and not clipped: ${(100 * fullScale / Math.max(samples, 1)).toFixed(3)} % at full scale, ` +
        `${beyond} beyond it, peak ${peak.toFixed(3)}`);
    console.log(`     browser CPU in play: ${(100 * cpu).toFixed(0)} % of one core`);

    // Escape leaves the game, Escape on the title ends it; the page says so.
    await page.keyboard.press("Escape");
    await waitFor(async () => countMismatches(await canvasPixels(page), title) === 0, STEP_TIMEOUT_MS);
    await page.keyboard.press("Escape");
    const ended = await waitFor(() => page.evaluate(() =>
        !document.getElementById("again").hidden && document.getElementById("message").textContent), STEP_TIMEOUT_MS);
    check(ended === "Korvane has ended.", `Escape, Escape ends the game and the page says "${ended}"`);

    // Another visit with a gamepad only: its first button press starts the
    // game, which finds the gamepad; a button then starts a game. The sound
    // still waits for a key or a click.
    const padPage = await browser.newPage();
    watchErrors(padPage);
    await padPage.evaluateOnNewDocument(fakeGamepad);
    await padPage.evaluateOnNewDocument(`const FULL_SCALE = ${FULL_SCALE}; (${instrumentPage})();`);
    await padPage.goto(url);
    await padPage.waitForFunction(() => typeof callMain === "function" && runDependencies === 1, { timeout: LOAD_TIMEOUT_MS });
    await padPage.evaluate(() => window.dispatchEvent(new Event("gamepadconnected")));
    await waitFor(async () => countMismatches(await canvasPixels(padPage), title) === 0, STEP_TIMEOUT_MS);
    await padPage.evaluate(() => {
        window.korvanePad.buttons[0] = { pressed: true, touched: true, value: 1 };
        window.korvanePad.timestamp += 1;
    });
    const padStarts = await waitFor(async () => countMismatches(await canvasPixels(padPage), title) > 0, STEP_TIMEOUT_MS);
    const padSoundWaits = await padPage.evaluate(() => !document.getElementById("sound").hidden);
    check(padStarts && padSoundWaits,
        "with a gamepad, its buttons start the program and a game; the page still asks for a key for the sound");
    check(errors.length === 0, `no errors in the console${errors.length ? ": " + errors.join("; ") : ""}`);
} finally {
    await browser.close();
    server.close();
}
if (failures.length) {
    console.log(`${failures.length} check(s) failed`);
    process.exit(1);
}
console.log("every check passed");
