// Writes the program (velkar.wasm) into a script for a page opened from a folder, where the
// browser fetches no file but runs scripts: velkarWasmFile holds its bytes in base64.
// Usage: node wasm_file.js VELKAR.WASM OUT.JS
'use strict';
const fs = require('fs');

const [wasm, out] = process.argv.slice(2);
const text = '// The program for a page opened from a folder (written by the build).\n' +
  `var velkarWasmFile = '${fs.readFileSync(wasm).toString('base64')}';\n`;
fs.writeFileSync(out, text);
