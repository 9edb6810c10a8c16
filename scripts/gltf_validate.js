// Validates glTF files with the Khronos validator; prints each error and warning and a count
// per file; the exit status is 1 when any file has an error.
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function validate(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 100,
  });
  for (const m of report.issues.messages) {
    if (m.severity > 1) continue;  // 0 error, 1 warning
    console.log(`${file}: ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer || ''} ${m.message}`);
  }
  console.log(`${file}: ${report.issues.numErrors} errors, ${report.issues.numWarnings} warnings`);
  return report.issues.numErrors;
}

(async () => {
  let errors = 0;
  for (const file of process.argv.slice(2)) errors += await validate(file);
  process.exit(errors > 0 ? 1 : 0);
})().catch((e) => {
  console.error(`gltf_validate: ${e.message || e}`);
  process.exit(2);
});
