#!/usr/bin/env node
/* Makes a list of picture files with sharp (libvips for Node, with its own prebuilt libvips), the
   way gallery tools on sharp do: one pipeline per output file from the photo, `concurrency` photos
   at a time, libvips' own threads per pipeline set to 1 as Galvane's workers are.

       sharp_outputs.js JOBS_JSON CONCURRENCY
   JOBS_JSON: [{source, outputs: [{path, width, height, format: "jpeg"|"webp", quality, effort}]}]
   (effort: libwebp's, for WebP files; sharp's default when absent)                                */
"use strict";
const fs = require("fs");
const sharp = require("sharp");

async function main() {
    const jobs = JSON.parse(fs.readFileSync(process.argv[2], "utf8"));
    const concurrency = Number(process.argv[3]) || 1;
    sharp.concurrency(1);
    sharp.cache(false);
    let next = 0;
    async function worker() {
        while (next < jobs.length) {
            const job = jobs[next++];
            for (const output of job.outputs) {
                const pipeline = sharp(job.source).rotate().resize(output.width, output.height, { fit: "fill" });
                if (output.format === "webp") {
                    const options = { quality: output.quality };
                    if (output.effort !== undefined) options.effort = output.effort;
                    pipeline.webp(options);
                }
                else pipeline.jpeg({ quality: output.quality });
                await pipeline.toFile(output.path);
            }
        }
    }
    await Promise.all(Array.from({ length: concurrency }, worker));
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
