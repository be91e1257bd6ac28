// SPDX-License-Identifier: MIT
// Makes the receipts that two public receipt client libraries send to a printer, as a shop's
// program would print them, and writes their bytes: the virtual printer's tests read these files.
// Run by capture.sh, which installs the libraries in a scratch directory; `node capture.mjs DIR`.
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { createRequire } from 'node:module';
import ReceiptPrinterEncoder from '@point-of-sale/receipt-printer-encoder';

const require = createRequire(import.meta.url);
const { ThermalPrinter, PrinterTypes, CharacterSet } = require('node-thermal-printer');
const iconv = require('iconv-lite');
const { PNG } = require('pngjs');

const out = process.argv[2] ?? '.';

// A 240x96 logo: a frame, a diagonal band and a solid block, in black and white.
function logoPixels() {
  const width = 240;
  const height = 96;
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const frame = x < 4 || y < 4 || x >= width - 4 || y >= height - 4;
      const band = Math.abs((x - y * 2) % 40) < 8;
      const block = x > 170 && x < 220 && y > 20 && y < 76;
      const v = frame || band || block ? 0 : 255;
      data.set([v, v, v, 255], (y * width + x) * 4);
    }
  }
  return { width, height, data };
}

// The data every bar code carries; the tests read them back from the printed pictures.
export const codes = {
  code128: 'MPT-2026-0042',
  ean13: '4006381333931',
  ean8: '96385074',
  itf: '12345678901234',
  qr: 'https://example.com/receipt/2026/0042?total=99.00',
  pdf417: 'RECEIPT 0042 TOTAL 99.00',
};

const korean = (text) => [...iconv.encode(text, 'cp949')];

function pointOfSale(imageMode) {
  const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos', columns: 48, imageMode });
  const logo = logoPixels();
  encoder
    .initialize()
    .align('center')
    .image(logo, logo.width, logo.height, 'threshold')
    .newline()
    .size(2, 2).bold(true).line('CAFE MINI').bold(false).size(1, 1)
    .font('B').line('12 Main Street, font B').font('A')
    .align('left')
    .codepage('cp858').line('Café crème   3,50 €')
    .raw([0x1c, 0x26]).raw(korean('아메리카노 한 잔')).raw([0x0a])
    .underline(true).text('underlined').underline(false).newline()
    .italic(true).text('italic').italic(false).newline()
    .invert(true).text(' inverted ').invert(false).newline()
    .width(3).height(2).line('W3 H2').width(1).height(1)
    .rule()
    .table(
      [
        { width: 30, marginRight: 2, align: 'left' },
        { width: 16, align: 'right' },
      ],
      [
        ['Espresso', '2,20'],
        ['Croissant', '1,80'],
        [(e) => e.bold(true).text('TOTAL').bold(false), (e) => e.bold(true).text('99,00').bold(false)],
      ])
    .rule()
    .align('center')
    .barcode(codes.code128, 'code128', { height: 60, width: 2, text: true })
    .newline()
    .barcode(codes.ean13, 'ean13', 60)
    .newline()
    .barcode(codes.ean8, 'ean8', 60)
    .newline()
    .barcode(codes.itf, 'itf', 60)
    .newline()
    .qrcode(codes.qr, { model: 2, size: 6, errorlevel: 'm' })
    .newline()
    .pulse()
    .cut('partial')
    .line('second receipt')
    .cut('full');
  return Buffer.from(encoder.encode());
}

async function thermalPrinter() {
  const printer = new ThermalPrinter({ type: PrinterTypes.EPSON, width: 48 });
  printer.clear();
  printer.add(Buffer.from([0x1b, 0x40]));
  const logo = logoPixels();
  const png = new PNG({ width: logo.width, height: logo.height });
  png.data = Buffer.from(logo.data);
  printer.alignCenter();
  await printer.printImageBuffer(PNG.sync.write(png));
  printer.setTextDoubleHeight();
  printer.bold(true);
  printer.println('CAFE MINI');
  printer.bold(false);
  printer.setTextNormal();
  printer.setTypeFontB();
  printer.println('12 Main Street, font B');
  printer.setTypeFontA();
  printer.alignLeft();
  printer.setCharacterSet(CharacterSet.PC858_EURO);
  printer.println('Café crème   3,50 €');
  printer.add(Buffer.from([0x1c, 0x26]));
  printer.add(Buffer.from(korean('아메리카노 한 잔\n')));
  printer.underline(true);
  printer.println('underlined');
  printer.underline(false);
  printer.invert(true);
  printer.println(' inverted ');
  printer.invert(false);
  printer.setTextSize(2, 3);
  printer.println('big');
  printer.setTextNormal();
  printer.drawLine();
  printer.tableCustom([
    { text: 'Espresso', align: 'LEFT', width: 0.6 },
    { text: '2,20', align: 'RIGHT', width: 0.4 },
  ]);
  printer.leftRight('TOTAL', '99,00');
  printer.drawLine();
  printer.alignCenter();
  printer.code128(codes.code128, { width: 2, height: 60, hriPos: 2 });
  printer.newLine();
  printer.printBarcode(codes.ean13, 67, { width: 2, height: 60, hriPos: 2 });
  printer.newLine();
  printer.printBarcode(codes.ean8, 68, { width: 2, height: 60, hriPos: 2 });
  printer.newLine();
  printer.printBarcode(codes.itf, 70, { width: 2, height: 60, hriPos: 2 });
  printer.newLine();
  printer.printQR(codes.qr, { cellSize: 6, correction: 'M', model: 2 });
  printer.newLine();
  printer.pdf417(codes.pdf417, { width: 3, rowHeight: 3, correction: 2 });
  printer.newLine();
  // The library's own openCashDrawer() sends ESC p without its pulse times; a drawer pulse in full.
  printer.add(Buffer.from([0x1b, 0x70, 0x00, 0x19, 0xfa]));
  printer.partialCut();
  printer.println('second receipt');
  printer.cut();
  return printer.getBuffer();
}

writeFileSync(join(out, 'point_of_sale_raster.bin'), pointOfSale('raster'));
writeFileSync(join(out, 'point_of_sale_column.bin'), pointOfSale('column'));
writeFileSync(join(out, 'thermal_printer.bin'), await thermalPrinter());
// What a scanner reads from the printed pictures, one symbol a line. The PDF417 of the second
// library is drawn too, but zbarimg has no PDF417 reader.
const expected = [codes.code128, codes.ean13, codes.ean8, codes.itf, codes.qr].join('\n') + '\n';
for (const name of ['point_of_sale_raster', 'point_of_sale_column', 'thermal_printer']) {
  writeFileSync(join(out, `${name}.codes`), expected);
}

// Not a library's: every symbology in both forms of GS k (m 0 to 6 ended by NUL, m 65 to 73
// counted), CODE128 changing code sets, and graphics by GS ( L and GS 8 L, spelled byte by byte.
function allSymbologies() {
  const bytes = [0x1b, 0x40, 0x1b, 0x61, 0x01, 0x1d, 0x48, 0x02, 0x1d, 0x68, 0x50, 0x1d, 0x77, 0x02];
  const ascii = (text) => [...Buffer.from(text, 'latin1')];
  const nulEnded = (m, text) => bytes.push(0x1d, 0x6b, m, ...ascii(text), 0x00, 0x0a);
  const counted = (m, data) => bytes.push(0x1d, 0x6b, m, data.length, ...data, 0x0a);
  const symbols = [];
  nulEnded(2, '5901234123457'); symbols.push('5901234123457');         // EAN13
  nulEnded(3, '40123455'); symbols.push('40123455');                   // EAN8
  nulEnded(4, 'ABC-123'); symbols.push('ABC-123');                     // CODE39
  nulEnded(5, '0123456789'); symbols.push('0123456789');               // ITF
  counted(0x45, ascii('MPT 39')); symbols.push('MPT 39');              // CODE39
  counted(0x48, ascii('CODE93 OK')); symbols.push('CODE93 OK');        // CODE93
  counted(0x49, [...ascii('{AAB{C'), 12, 34, 56, ...ascii('{Bxyz')]);  // CODE128, sets A, C, B
  symbols.push('AB123456xyz');
  // Graphics: 64 x 16 dots stored in the print buffer and printed (GS ( L), then by GS 8 L.
  const picture = [];
  for (let y = 0; y < 16; y++) for (let x = 0; x < 8; x++) picture.push(y % 4 < 2 ? 0xf0 : 0x0f);
  const store = [0x30, 0x70, 0x30, 0x01, 0x01, 0x31, 64, 0, 16, 0, ...picture];
  bytes.push(0x1d, 0x28, 0x4c, store.length & 0xff, store.length >> 8, ...store);
  bytes.push(0x1d, 0x28, 0x4c, 0x02, 0x00, 0x30, 0x32, 0x0a);
  bytes.push(0x1d, 0x38, 0x4c, store.length & 0xff, store.length >> 8, 0, 0, ...store);
  bytes.push(0x1d, 0x38, 0x4c, 0x02, 0x00, 0x00, 0x00, 0x30, 0x32, 0x0a);
  bytes.push(0x1d, 0x56, 0x41, 0x10);
  return { stream: Buffer.from(bytes), symbols };
}

const all = allSymbologies();
writeFileSync(join(out, 'all_symbologies.bin'), all.stream);
writeFileSync(join(out, 'all_symbologies.codes'), all.symbols.join('\n') + '\n');
