// Prints the structure tree pdf.js reads from each page of a PDF: one element
// a line, with its role and [alternative text], and the text of its content
// in quotes below it. Run with Node.js: node struct_tree.js FILE
const fs = require("fs");
const pdfjs = require(process.env.PDFJS || "/usr/share/nodejs/pdfjs-dist/build/pdf.js");

async function contentTexts(page) {
  const texts = {};
  const open = [];
  for (const item of (await page.getTextContent({ includeMarkedContent: true })).items) {
    if (item.type === "beginMarkedContentProps" || item.type === "beginMarkedContent") open.push(item.id);
    else if (item.type === "endMarkedContent") open.pop();
    // pdf.js reports the blank a line was broken at as the line's end.
    else if (open.at(-1)) texts[open.at(-1)] = (texts[open.at(-1)] || "") + item.str + (item.hasEOL && item.str ? " " : "");
  }
  return texts;
}

function print(node, texts, indent) {
  if (node.type === "content") console.log(`${indent}"${(texts[node.id] || "").trimEnd()}"`);
  if (node.type) return;
  console.log(`${indent}${node.role}${node.alt ? ` [${node.alt}]` : ""}`);
  for (const child of node.children || []) print(child, texts, indent + "  ");
}

async function main(path) {
  const doc = await pdfjs.getDocument({ data: new Uint8Array(fs.readFileSync(path)), verbosity: 0 }).promise;
  for (let number = 1; number <= doc.numPages; ++number) {
    const page = await doc.getPage(number);
    const texts = await contentTexts(page);
    console.log(`page ${number}`);
    for (const child of (await page.getStructTree()).children) print(child, texts, "");
  }
}

main(process.argv[2]).catch((error) => { console.error(error.message); process.exit(2); });
