// Serves a folder over HTTP on 127.0.0.1, for playing the browser build and
// for its test. Usage: node serve.mjs FOLDER PORT (0 picks a free port; the
// address is printed once it listens).
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";

const TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".png": "image/png",
    ".txt": "text/plain; charset=utf-8",
};

// Starts serving root; resolves to the server once it listens.
export function serve(root, port) {
    const server = createServer(async (request, response) => {
        const path = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
        const file = join(root, normalize(path.endsWith("/") ? path + "index.html" : path));
        try {
            const body = await readFile(file);
            response.writeHead(200, { "Content-Type": TYPES[extname(file)] || "application/octet-stream" });
            response.end(body);
        } catch {
            response.writeHead(404);
            response.end();
        }
    });
    return new Promise((resolve) => server.listen(port, "127.0.0.1", () => resolve(server)));
}

if (import.meta.url === `file://${process.argv[1]}`) {
    const server = await serve(process.argv[2], Number(process.argv[3] || 0));
    console.log(`http://127.0.0.1:${server.address().port}/`);
}
