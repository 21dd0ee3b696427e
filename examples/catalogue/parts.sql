-- Example parts database: the catalogue of field devices, controllers and accessories that the
-- stencil dialogs pick from, plus the engineering tables that map part numbers to item codes and
-- controllers to their points.
--
-- Conventions the library's database engine relies on:
--   * every text column is TEXT COLLATE NOCASE, so keyed lookups ignore letter case the way the
--     desktop engine does (the engine substitutes its own comparison that also ignores trailing
--     blanks);
--   * Yes/No columns are BOOLEAN holding 1 or 0, so that queries can write "= True";
--   * 16-bit integers are SMALLINT, 32-bit INTEGER, money CURRENCY, measurements DOUBLE.
-- Key texts (part numbers, item codes) use letters, digits, blanks and - / . ' only: characters
-- that sort between the upper- and lower-case letters would order differently under upper- and
-- lower-case folding, and the indexes must stay valid under either.
--
-- Build: sqlite3 parts.mdb < parts.sql

PRAGMA foreign_keys = ON;
BEGIN;

-- ---------------------------------------------------------------------------------------------
-- Base tables
-- ---------------------------------------------------------------------------------------------

CREATE TABLE tblManufacturers (
  MfgID INTEGER PRIMARY KEY,
  MfgCode TEXT COLLATE NOCASE NOT NULL UNIQUE,
  MfgName TEXT COLLATE NOCASE NOT NULL,
  WebSite TEXT COLLATE NOCASE,
  Country TEXT COLLATE NOCASE
);

CREATE TABLE tblVendors (
  VendorID INTEGER PRIMARY KEY,
  VendorCode TEXT COLLATE NOCASE NOT NULL UNIQUE,
  VendorName TEXT COLLATE NOCASE NOT NULL,
  City TEXT COLLATE NOCASE,
  Phone TEXT COLLATE NOCASE,
  IsPreferred BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE tblPartFamilies (
  FamilyID SMALLINT PRIMARY KEY,
  FamilyName TEXT COLLATE NOCASE NOT NULL,
  DocFolder TEXT COLLATE NOCASE
);

-- I/O point kinds; SoccIOType of a part and IoPointTypeIndex of a controller point use these.
CREATE TABLE tblIOTypes (
  IoPointTypeIndex SMALLINT PRIMARY KEY,
  IoTypeCode TEXT COLLATE NOCASE NOT NULL,
  IoTypeName TEXT COLLATE NOCASE NOT NULL
);

CREATE TABLE tblParts (
  PartID INTEGER PRIMARY KEY,
  MfgPartNumber TEXT COLLATE NOCASE NOT NULL,
  MfgID INTEGER NOT NULL REFERENCES tblManufacturers (MfgID),
  VendorID INTEGER REFERENCES tblVendors (VendorID),
  FamilyID SMALLINT NOT NULL REFERENCES tblPartFamilies (FamilyID),
  Description TEXT COLLATE NOCASE,
  DescriptionShort TEXT COLLATE NOCASE,
  PDF TEXT COLLATE NOCASE,
  SoccBitmap TEXT COLLATE NOCASE,
  SoccTermAmt TEXT COLLATE NOCASE,
  SoccTerm1 TEXT COLLATE NOCASE,
  SoccTerm2 TEXT COLLATE NOCASE,
  SoccTerm3 TEXT COLLATE NOCASE,
  SoccTerm4 TEXT COLLATE NOCASE,
  SoccTerm5 TEXT COLLATE NOCASE,
  SoccTerm6 TEXT COLLATE NOCASE,
  SoccTerm7 TEXT COLLATE NOCASE,
  SoccTerm8 TEXT COLLATE NOCASE,
  SoccTerm9 TEXT COLLATE NOCASE,
  SoccTerm10 TEXT COLLATE NOCASE,
  SoccTerm11 TEXT COLLATE NOCASE,
  SoccTerm12 TEXT COLLATE NOCASE,
  SoccTerm13 TEXT COLLATE NOCASE,
  SoccTerm14 TEXT COLLATE NOCASE,
  SoccTerm15 TEXT COLLATE NOCASE,
  SoccTerm16 TEXT COLLATE NOCASE,
  SoccTerm17 TEXT COLLATE NOCASE,
  SoccTerm18 TEXT COLLATE NOCASE,
  SoccTerm19 TEXT COLLATE NOCASE,
  SoccTerm20 TEXT COLLATE NOCASE,
  SoccAsType TEXT COLLATE NOCASE,
  SoccVlvActSR TEXT COLLATE NOCASE,
  PhysDepth DOUBLE,
  PhysHeight DOUBLE,
  PhysWidth DOUBLE,
  SoccD4 TEXT COLLATE NOCASE,
  SoccD5 TEXT COLLATE NOCASE,
  SoccD6 TEXT COLLATE NOCASE,
  MfgListPrice CURRENCY,
  SoccIOType SMALLINT REFERENCES tblIOTypes (IoPointTypeIndex),
  Discontinued BOOLEAN NOT NULL DEFAULT 0
);

-- Engineering view of the catalogue: which item code and part type each part number belongs to.
-- Part numbers are spelled as engineering spells them, which need not match tblParts letter for
-- letter.
CREATE TABLE Pz_PartsEng_PartItemCodes (
  ID INTEGER PRIMARY KEY,
  PartNumber TEXT COLLATE NOCASE NOT NULL,
  EngineeringItemCode TEXT COLLATE NOCASE,
  EngineeringPartType TEXT COLLATE NOCASE,
  IsController BOOLEAN NOT NULL DEFAULT 0
);

-- The points a controller item code offers; a universal input appears once per kind it accepts.
CREATE TABLE Pz_PartsEng_ItemCodePointTypes (
  ID INTEGER PRIMARY KEY,
  EngineeringItemCode TEXT COLLATE NOCASE NOT NULL,
  PointName TEXT COLLATE NOCASE NOT NULL,
  IoPointTypeIndex SMALLINT NOT NULL REFERENCES tblIOTypes (IoPointTypeIndex),
  PointOrder SMALLINT NOT NULL
);

CREATE UNIQUE INDEX ixParts_MfgPartNumber ON tblParts (MfgPartNumber);
CREATE INDEX ixParts_MfgID ON tblParts (MfgID);
CREATE INDEX ixParts_VendorID ON tblParts (VendorID);
CREATE INDEX ixParts_FamilyID ON tblParts (FamilyID);
CREATE INDEX ixPartItemCodes_PartNumber ON Pz_PartsEng_PartItemCodes (PartNumber);
CREATE INDEX ixPartItemCodes_ItemCode ON Pz_PartsEng_PartItemCodes (EngineeringItemCode);
CREATE INDEX ixPartItemCodes_IsController ON Pz_PartsEng_PartItemCodes (IsController);
CREATE INDEX ixItemCodePointTypes_ItemCode
  ON Pz_PartsEng_ItemCodePointTypes (EngineeringItemCode, PointName, IoPointTypeIndex);

-- ---------------------------------------------------------------------------------------------
-- The stored query the dialogs read: one row per current part, maker and vendor spelled out,
-- list price also as display text.
-- ---------------------------------------------------------------------------------------------

CREATE VIEW qrySoccParts AS
SELECT
  p.PartID,
  p.MfgPartNumber,
  m.MfgName,
  v.VendorName,
  p.Description,
  p.DescriptionShort,
  p.PDF,
  p.SoccBitmap,
  p.SoccTermAmt,
  p.SoccTerm1, p.SoccTerm2, p.SoccTerm3, p.SoccTerm4, p.SoccTerm5,
  p.SoccTerm6, p.SoccTerm7, p.SoccTerm8, p.SoccTerm9, p.SoccTerm10,
  p.SoccTerm11, p.SoccTerm12, p.SoccTerm13, p.SoccTerm14, p.SoccTerm15,
  p.SoccTerm16, p.SoccTerm17, p.SoccTerm18, p.SoccTerm19, p.SoccTerm20,
  p.SoccAsType,
  p.SoccVlvActSR,
  p.PhysDepth,
  p.PhysHeight,
  p.PhysWidth,
  p.SoccD4,
  p.SoccD5,
  p.SoccD6,
  p.MfgListPrice,
  -- Whole cents first, so that 0.005 rounding cannot carry into a "100" cents field.
  CASE WHEN p.MfgListPrice IS NULL THEN NULL
       ELSE '$' || printf('%,d', CAST(round(p.MfgListPrice * 100) AS INTEGER) / 100) || '.'
                || printf('%02d', CAST(round(p.MfgListPrice * 100) AS INTEGER) % 100)
  END AS MfgListPriceFmt,
  p.SoccIOType,
  f.FamilyName
FROM tblParts AS p
  INNER JOIN tblPartFamilies AS f ON f.FamilyID = p.FamilyID
  LEFT JOIN tblManufacturers AS m ON m.MfgID = p.MfgID
  LEFT JOIN tblVendors AS v ON v.VendorID = p.VendorID
WHERE p.Discontinued = False;

-- ---------------------------------------------------------------------------------------------
-- Reference rows
-- ---------------------------------------------------------------------------------------------

INSERT INTO tblManufacturers (MfgCode, MfgName, WebSite, Country) VALUES
  ('AVL', 'Avalon Controls', 'www.avaloncontrols.example', 'USA'),
  ('BRL', 'Brightline Relay Co.', 'www.brightlinerelay.example', 'USA'),
  ('SSX', 'Solidex Power Electronics', 'www.solidex.example', 'Canada'),
  ('NRV', 'Norvik Electric', 'www.norvik.example', 'Sweden'),
  ('OBE', 'O''Brien Electric Co.', NULL, 'USA'),
  ('PNX', 'Pneutrex Inc.', 'www.pneutrex.example', 'USA'),
  ('CSG', 'Castlegate Instruments', 'www.castlegate.example', 'USA'),
  ('MRD', 'Meridian Power Products', 'www.meridianpower.example', 'Mexico'),
  ('HRT', 'Hartwell Actuation', 'www.hartwell-act.example', 'Switzerland'),
  ('TBK', 'Terrabloc', 'www.terrabloc.example', 'Germany');

INSERT INTO tblVendors (VendorCode, VendorName, City, Phone, IsPreferred) VALUES
  ('SUM', 'Summit Controls Supply', 'Denver, CO', '303-555-0142', 1),
  ('LKS', 'Lakeside Electrical Distributors', 'Cleveland, OH', '216-555-0187', 1),
  ('NGT', 'Northgate HVAC Supply', 'Minneapolis, MN', '612-555-0119', 0),
  ('DIR', 'Factory Direct', NULL, NULL, 0),
  ('WSP', 'Westport Building Products', 'Portland, OR', '503-555-0163', 0);

INSERT INTO tblPartFamilies (FamilyID, FamilyName, DocFolder) VALUES
  (1, 'Relays', 'Relays'),
  (2, 'EP and PE devices', 'Pneumatics'),
  (3, 'Current sensors', 'CurrentSensors'),
  (4, 'Transformers', 'Transformers'),
  (5, 'Electric actuators', 'Actuators'),
  (6, 'Actuator accessories', 'Actuators'),
  (7, 'Controllers', 'Controllers'),
  (8, 'Terminals and enclosures', 'Panel'),
  (9, 'Software', 'Software');

INSERT INTO tblIOTypes (IoPointTypeIndex, IoTypeCode, IoTypeName) VALUES
  (0, 'NONE', 'No point'),
  (1, 'AI', 'Analog input'),
  (2, 'AO', 'Analog output'),
  (3, 'DI', 'Digital input'),
  (4, 'DO', 'Digital output'),
  (5, 'PI', 'Pulse input');

-- ---------------------------------------------------------------------------------------------
-- Catalogue rows are gathered in a scratch table first, so that each part is written once and
-- its item code row follows from the same line.
-- ---------------------------------------------------------------------------------------------

CREATE TEMP TABLE stage (
  MfgPartNumber TEXT, Mfg TEXT, Vendor TEXT, FamilyID INTEGER,
  Description TEXT, DescriptionShort TEXT, PDF TEXT, SoccBitmap TEXT,
  LabelSet TEXT, Term20 TEXT, SoccAsType TEXT, SoccVlvActSR TEXT,
  PhysDepth REAL, PhysHeight REAL, PhysWidth REAL, SoccD4 TEXT, SoccD5 TEXT, SoccD6 TEXT,
  MfgListPrice REAL, SoccIOType INTEGER, Discontinued INTEGER NOT NULL DEFAULT 0,
  ItemCode TEXT, PartType TEXT, IsController INTEGER NOT NULL DEFAULT 0
);

-- Terminal label sets, comma separated; an empty entry leaves that terminal unlabelled.
CREATE TEMP TABLE lbl (LabelSet TEXT, N INTEGER, Label TEXT);
WITH RECURSIVE
  sets (LabelSet, List) AS (VALUES
    ('SPST', 'A1,A2,13,14'),
    ('SPDT', 'A1,A2,11,12,14'),
    ('DPDT', 'A1,A2,11,12,14,21,22,24'),
    ('3PDT', 'A1,A2,11,12,14,21,22,24,31,32,34'),
    ('4PDT', 'A1,A2,11,12,14,21,22,24,31,32,34,41,42,44'),
    ('SSR', '3+,4-,1/L1,2/T1'),
    ('SSR3', 'A1+,A2-,1/L1,2/T1,3/L2,4/T2,5/L3,6/T3'),
    ('CTR2', 'A1,A2,L1,L2,T1,T2'),
    ('CTR3', 'A1,A2,L1,L2,L3,T1,T2,T3,13,14'),
    ('PMON', 'L1,L2,L3,11,12,14'),
    ('VSR', 'A1,A2,11,12,14,V+,V-'),
    ('CSR', 'A1,A2,CT1,CT2,11,12,14'),
    ('ALT', 'A1,A2,11,12,14,SW1,SW2'),
    ('ALT2', 'A1,A2,11,12,14,21,22,24,SW1,SW2'),
    ('PNR3', 'M,B,E'),
    ('PNR5', 'P,A,B,EA,EB'),
    ('SOCK8', '1,2,3,4,5,6,7,8'),
    ('SOCK11', '1,2,3,4,5,6,7,8,9,10,11'),
    ('SOCK14', 'A1,A2,11,12,14,21,22,24,31,32,34,41,42,44'),
    ('EPV', 'A1,A2'),
    ('PE1', 'C,NO,NC'),
    ('PE2', 'C1,NO1,NC1,C2,NO2,NC2'),
    ('CSNO', 'COM,NO'),
    ('CSNC', 'COM,NC'),
    ('CSPNO', '24V,COM,NO'),
    ('CSPNC', '24V,COM,NC'),
    ('CSV', '+24V,COM,OUT'),
    ('CSMA', '+,,-'),
    ('CSCR', 'A1,A2,COM,NO,NC,CT1,CT2'),
    ('XF120', 'H1,H2,X1,X2'),
    ('XFMT', 'COM,120,208,240,277,480,X1,X2,,GND'),
    ('XFCB', 'COM,120,208,240,277,480,X1,X2,CB,GND'),
    ('XF480', 'H1,H2,X1,X2,,,,,,GND'),
    ('XFDIN', 'COM,120,208,240,277,480,X1,X2,X3,GND'),
    ('XF2S', 'COM,120,208,240,277,480,X1,X2,X3,X4'),
    ('A2W', '1 COM,2 HOT'),
    ('A2WLN', '1 N,2 L'),
    ('AFL', '1 COM,2 CW,3 CCW'),
    ('AMOD', '1 COM,2 HOT,3 Y,5 U'),
    ('AUX1', ',,,S1,S2,S3'),
    ('AUX2', ',,,S1,S2,S3,S4,S5,S6'),
    ('FB', ',,,,,,,,,,,,P1,P2,P3'),
    ('FB2', ',,,,,,,,,,,,P1,P2,P3,P4,P5,P6'),
    ('AUXFB', ',,,S1,S2,S3,S4,S5,S6,,,,P1,P2,P3,P4,P5,P6'),
    ('GCM2000', '24V,COM,NET+,NET-,SHLD,E1,E2,UI1,UI2,UI3,UI4,DO1,DO2'),
    ('GCM2400', '24V,COM,NET+,NET-,SHLD,UI1,UI2,UI3,UI4,UI5,UI6,UI7,UI8,AO1,AO2,DO1,DO2,DO3,DO4'),
    ('LNC1628', '24V,COM,NET+,NET-,SHLD,UI1,UI2,UI3,UI4,UI5,UI6,UI7,UI8,UI9,UI10,UI11,UI12,UI13,UI14,UI15'),
    ('LNC0804', '24V,COM,NET+,NET-,SHLD,UI1,UI2,UI3,UI4,UI5,UI6,UI7,UI8,AO1,AO2,DO1,DO2,DO3,DO4'),
    ('UC22', '24V,COM,NET+,NET-,SHLD,UI1,UI2,UI3,UI4,UI5,UI6,AO1,AO2,DO1,DO2,DO3,DO4,DO5,DO6'),
    ('VAV110', '24V,COM,NET+,NET-,SHLD,SPACE,SETPT,FLOW+,FLOW-,AO1,DO1,DO2,DO3,DI1'),
    ('I8UI', '24V,COM,BUS+,BUS-,UI1,UI2,UI3,UI4,UI5,UI6,UI7,UI8'),
    ('I8DO', '24V,COM,BUS+,BUS-,DO1,DO2,DO3,DO4,DO5,DO6,DO7,DO8'),
    ('I4AO', '24V,COM,BUS+,BUS-,AO1,AO2,AO3,AO4'),
    ('TB2', '1,2'),
    ('TB4', '1,2,3,4'),
    ('TBF', 'IN,OUT')),
  split (LabelSet, N, Label, Rest) AS (
    SELECT LabelSet, 0, NULL, List || ',' FROM sets
    UNION ALL
    SELECT LabelSet, N + 1, substr(Rest, 1, instr(Rest, ',') - 1), substr(Rest, instr(Rest, ',') + 1)
    FROM split WHERE Rest <> '')
INSERT INTO lbl (LabelSet, N, Label)
SELECT LabelSet, N, NULLIF(Label, '') FROM split WHERE N > 0;

CREATE TEMP VIEW lblset AS
SELECT LabelSet, count(Label) AS Amt,
  max(CASE WHEN N = 1 THEN Label END) AS T1, max(CASE WHEN N = 2 THEN Label END) AS T2,
  max(CASE WHEN N = 3 THEN Label END) AS T3, max(CASE WHEN N = 4 THEN Label END) AS T4,
  max(CASE WHEN N = 5 THEN Label END) AS T5, max(CASE WHEN N = 6 THEN Label END) AS T6,
  max(CASE WHEN N = 7 THEN Label END) AS T7, max(CASE WHEN N = 8 THEN Label END) AS T8,
  max(CASE WHEN N = 9 THEN Label END) AS T9, max(CASE WHEN N = 10 THEN Label END) AS T10,
  max(CASE WHEN N = 11 THEN Label END) AS T11, max(CASE WHEN N = 12 THEN Label END) AS T12,
  max(CASE WHEN N = 13 THEN Label END) AS T13, max(CASE WHEN N = 14 THEN Label END) AS T14,
  max(CASE WHEN N = 15 THEN Label END) AS T15, max(CASE WHEN N = 16 THEN Label END) AS T16,
  max(CASE WHEN N = 17 THEN Label END) AS T17, max(CASE WHEN N = 18 THEN Label END) AS T18,
  max(CASE WHEN N = 19 THEN Label END) AS T19, max(CASE WHEN N = 20 THEN Label END) AS T20
FROM lbl GROUP BY LabelSet;

-- Attribute codes (SoccBitmap) of relays, EP/PE devices and current sensors:
--   1 family letter, 2 variant, 3 service type, 4 mounting, 5 coil voltage, 6 contact form,
--   7 rating or core, 8 output (current sensors).
-- Service: B general purpose, C solid state, D encapsulated, E contactor, F pneumatic,
--   G accessory, H electric-pneumatic, I voltage sensitive, J current sensitive, K drive,
--   L pneumatic-electric, M alternator.
-- Mounting: B plug-in, C surface, D snap track, E starter enclosure.
-- Coil: B 24 VAC, C 120 VAC, D 230 VAC, E 12 VDC, F 24 VDC, G multi-voltage, I 480 VAC,
--   J 575 VAC, K 277 VAC; A where there is no coil. 12 VAC coils have the letter H, for which
--   the dialogs show no text.
-- Contact: B single throw, C double throw, D multiple contacts; A where there is none.
-- Output (position 8): I normally open, J normally closed, A analog.

-- ---- Relays ---------------------------------------------------------------------------------

WITH
  coil (Cl, Sfx, Txt, Adder) AS (VALUES
    ('B', '24A', '24 VAC', 0.0), ('C', '120A', '120 VAC', 2.0), ('D', '230A', '230 VAC', 4.5),
    ('E', '12D', '12 VDC', 3.0), ('F', '24D', '24 VDC', 3.0), ('G', 'MV', '10-30 VAC/DC and 120 VAC', 9.0),
    ('I', '480A', '480 VAC', 18.0), ('J', '575A', '575 VAC', 24.0), ('K', '277A', '277 VAC', 6.0)),
  hoa (Sfx, Variant, Term20, Adder, Txt, Extra) AS (VALUES
    ('', 'A', NULL, 0.0, '', 0), ('-H', 'B', 'HOA', 12.0, ' with hand-off-auto override', 1)),
  rs (Pfx, Mfg, Vnd, Svc, Mnt, Cnt, Rating, LabelSet, AsType, Coils, CoilWord, HasHoa, Price,
      Descr, Short, Doc, D, H, W, D4, D5, D6, IOType, ItemCode) AS (VALUES
    ('BRP-1C', 'BRL', 'SUM', 'B', 'C', 'C', 'A', 'SPDT', 'Pilot relay', 'BCDGK', 'coil', 1, 36.5,
     'Enclosed pilot relay, SPDT 10 A contacts, LED status', 'Pilot relay SPDT', 'BRP-Series',
     1.6, 3.3, 2.2, '1/2 in. NPT nipple', '18 AWG leads, 16 in.', '0.3 lb', 4, 'RLY-GP'),
    ('BRP-2C', 'BRL', 'SUM', 'B', 'C', 'C', 'A', 'DPDT', 'Pilot relay', 'BCDG', 'coil', 1, 44.75,
     'Enclosed pilot relay, DPDT 10 A contacts, LED status', 'Pilot relay DPDT', 'BRP-Series',
     1.6, 3.3, 2.2, '1/2 in. NPT nipple', '18 AWG leads, 16 in.', '0.35 lb', 4, 'RLY-GP'),
    ('BRP-1A', 'BRL', 'LKS', 'B', 'C', 'B', 'B', 'SPST', 'Pilot relay', 'BCDFG', 'coil', 0, 33.9,
     'Enclosed pilot relay, SPST-NO 20 A contacts', 'Pilot relay SPST 20 A', 'BRP-Series',
     1.6, 3.3, 2.2, '1/2 in. NPT nipple', '14 AWG leads, 16 in.', '0.3 lb', 4, 'RLY-GP'),
    ('BRI-08', 'BRL', 'SUM', 'B', 'B', 'C', 'A', 'DPDT', 'Plug-in relay', 'BCDEF', 'coil', 0, 14.6,
     'General purpose plug-in relay, 8-pin octal, DPDT 10 A', 'Octal relay DPDT', 'BRI-Series',
     1.4, 2.4, 1.4, '8-pin octal base', 'Socket BRA-SK8', '0.2 lb', 4, 'RLY-GP'),
    ('BRI-11', 'BRL', 'SUM', 'B', 'B', 'D', 'A', '3PDT', 'Plug-in relay', 'BCDEF', 'coil', 0, 17.8,
     'General purpose plug-in relay, 11-pin octal, 3PDT 10 A', 'Octal relay 3PDT', 'BRI-Series',
     1.4, 2.4, 1.4, '11-pin octal base', 'Socket BRA-SK11', '0.22 lb', 4, 'RLY-GP'),
    ('BRT-4C', 'BRL', 'NGT', 'B', 'D', 'D', 'A', '4PDT', 'Relay module', 'BF', 'coil', 0, 52.0,
     'DIN rail relay module, 4PDT 5 A, LED and test button', 'Relay module 4PDT', 'BRT-Series',
     2.8, 3.5, 1.1, '35 mm DIN rail', 'Screw terminals, 12-22 AWG', '0.3 lb', 4, 'RLY-GP'),
    ('SSX-SR10', 'SSX', 'LKS', 'C', 'C', 'B', 'A', 'SSR', 'Solid state relay', 'BEF', 'control', 0, 29.4,
     'Panel mount solid state relay, 10 A 24-280 VAC zero-cross output', 'SSR 10 A panel', 'SR-Series',
     0.9, 2.3, 1.8, 'Two #8 screws, 1.87 in. centers', 'Heat sink required above 5 A', '0.12 lb', 4, 'RLY-SSR'),
    ('SSX-SR25', 'SSX', 'LKS', 'C', 'D', 'B', 'B', 'SSR', 'Solid state relay', 'BF', 'control', 0, 58.25,
     'DIN rail solid state relay with heat sink, 25 A 24-280 VAC output', 'SSR 25 A DIN', 'SR-Series',
     3.9, 3.9, 0.9, '35 mm DIN rail', 'Integral heat sink', '0.6 lb', 4, 'RLY-SSR'),
    ('SSX-SR3P', 'SSX', 'NGT', 'C', 'C', 'D', 'C', 'SSR3', 'Solid state contactor', 'EF', 'control', 0, 189.0,
     'Three-phase solid state contactor, 3 x 25 A 48-480 VAC output', 'SSR 3-phase 25 A', 'SR-Series',
     4.1, 3.9, 4.4, 'Four #10 screws', 'Fan-cooled heat sink', '1.9 lb', 4, 'RLY-SSR'),
    ('BRE-1C', 'BRL', 'SUM', 'D', 'B', 'C', 'A', 'SPDT', 'Encapsulated relay', 'BEF', 'coil', 0, 11.35,
     'Sealed encapsulated relay, SPDT 10 A, 5-pin plug-in', 'Sealed relay SPDT', 'BRE-Series',
     1.0, 1.2, 1.0, '5-pin plug-in base', 'Epoxy sealed, IP67', '0.05 lb', 4, 'RLY-ENC'),
    ('BRE-1A', 'BRL', 'SUM', 'D', 'D', 'B', 'A', 'SPST', 'Encapsulated relay', 'BF', 'coil', 0, 19.9,
     'Sealed encapsulated relay on DIN carrier, SPST-NO 10 A', 'Sealed relay SPST DIN', 'BRE-Series',
     2.4, 3.1, 0.7, '35 mm DIN rail', 'Epoxy sealed, IP67', '0.1 lb', 4, 'RLY-ENC'),
    ('NRV-C30S', 'NRV', 'NGT', 'E', 'E', 'D', 'C', 'CTR3', 'Starter', 'BCDIJK', 'coil', 0, 312.0,
     'Full-voltage starter enclosure, 30 A 3-pole contactor with NO auxiliary', 'Starter 3P 30 A NEMA 1', 'NRV-Contactors',
     5.2, 11.0, 7.1, 'NEMA 1 enclosure, four 1/4 in. holes', 'Overload relay ordered separately', '6.8 lb', 4, 'RLY-CTR'),
    ('NRV-C20', 'NRV', 'NGT', 'E', 'C', 'B', 'B', 'CTR2', 'Contactor', 'BCDK', 'coil', 0, 41.5,
     'Definite purpose contactor, 2-pole 20 A', 'DP contactor 2P 20 A', 'NRV-Contactors',
     2.7, 3.0, 2.2, 'Two #8 screws', 'Quick-connect coil terminals', '0.7 lb', 4, 'RLY-CTR'),
    ('NRV-C40', 'NRV', 'NGT', 'E', 'D', 'D', 'C', 'CTR3', 'Contactor', 'BCDI', 'coil', 0, 96.0,
     'IEC contactor, 3-pole 40 A AC-3 with NO auxiliary', 'IEC contactor 3P 40 A', 'NRV-Contactors',
     4.3, 3.5, 2.2, '35 mm DIN rail', 'Box lug terminals', '1.3 lb', 4, 'RLY-CTR'),
    ('BRV-PM', 'BRL', 'LKS', 'I', 'D', 'C', 'A', 'PMON', 'Phase monitor', 'CDIJK', 'supply', 0, 128.0,
     'Three-phase monitor relay, loss, reversal and unbalance, SPDT 10 A', 'Phase monitor', 'BRV-Series',
     3.2, 3.5, 0.9, '35 mm DIN rail', 'Adjustable 2-8 % unbalance', '0.25 lb', 3, 'RLY-VM'),
    ('BRV-VS', 'BRL', 'LKS', 'I', 'B', 'C', 'A', 'VSR', 'Voltage sensing relay', 'BCD', 'supply', 0, 86.5,
     'Voltage sensing relay, adjustable pick-up and drop-out, 8-pin plug-in', 'Voltage sensing relay', 'BRV-Series',
     2.9, 2.4, 1.8, '8-pin octal base', 'Socket BRA-SK8', '0.2 lb', 3, 'RLY-VM'),
    ('BRC-CR', 'BRL', 'SUM', 'J', 'C', 'C', 'A', 'CSR', 'Current sensing relay', 'BC', 'supply', 0, 94.0,
     'Current sensing relay, adjustable 2-20 A trip, SPDT output', 'Current sensing relay', 'BRC-Series',
     2.3, 3.6, 2.0, 'Two #8 screws', 'Conductor through window', '0.35 lb', 3, 'RLY-CSR'),
    ('BRK-VF', 'BRL', 'NGT', 'K', 'D', 'C', 'A', 'SPDT', 'Drive interface relay', 'BF', 'coil', 0, 39.0,
     'Variable frequency drive interface relay, SPDT, isolated sense input', 'VFD interface relay', 'BRK-Series',
     2.4, 3.1, 0.7, '35 mm DIN rail', 'Drive start/stop and fault status', '0.1 lb', 4, 'RLY-VFD'),
    ('BRM-AL', 'BRL', 'SUM', 'M', 'B', 'C', 'A', 'ALT', 'Alternating relay', 'BCD', 'coil', 0, 118.0,
     'Alternating relay for lead/lag loads, SPDT, 8-pin plug-in', 'Alternator SPDT', 'BRM-Series',
     2.9, 2.4, 1.8, '8-pin octal base', 'Socket BRA-SK8', '0.2 lb', 4, 'RLY-ALT'),
    ('BRM-AD', 'BRL', 'SUM', 'M', 'B', 'D', 'A', 'ALT2', 'Alternating relay', 'CD', 'coil', 0, 142.0,
     'Alternating relay, DPDT cross-wired for duplex loads, 11-pin plug-in', 'Alternator DPDT', 'BRM-Series',
     2.9, 2.4, 1.8, '11-pin octal base', 'Socket BRA-SK11', '0.22 lb', 4, 'RLY-ALT'),
    ('OBE-2400', 'OBE', 'DIR', 'B', 'C', 'C', 'B', 'SPDT', 'Pilot relay', 'BC', 'coil', 0, 31.0,
     'Pilot relay on 4 in. box cover, SPDT 15 A', 'Box-cover relay SPDT', 'OBE-2400',
     1.8, 4.0, 4.0, '4 in. square box cover', 'Screw terminals', '0.4 lb', 4, 'RLY-GP'))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, Term20, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5,
  SoccD6, MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT rs.Pfx || '-' || coil.Sfx || hoa.Sfx, rs.Mfg, rs.Vnd, 1,
  rs.Descr || hoa.Txt || ', ' || coil.Txt || ' ' || rs.CoilWord,
  rs.Short || ', ' || coil.Txt,
  'Docs\Relays\' || rs.Doc || '.pdf',
  'R' || hoa.Variant || rs.Svc || rs.Mnt || coil.Cl || rs.Cnt || rs.Rating,
  rs.LabelSet, hoa.Term20, rs.AsType, rs.D, rs.H, rs.W, rs.D4, rs.D5, rs.D6,
  round(rs.Price + coil.Adder + hoa.Adder, 2), rs.IOType, rs.ItemCode, 'Relay'
FROM rs
  JOIN coil ON instr(rs.Coils, coil.Cl) > 0
  JOIN hoa ON hoa.Extra = 0 OR rs.HasHoa = 1
ORDER BY 1;

-- Pneumatic relays, relay accessories and the odd relays whose codes the dialogs must cope with.
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, Term20, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5,
  SoccD6, MfgListPrice, SoccIOType, Discontinued, ItemCode, PartType) VALUES
  ('PNX-PR3', 'PNX', 'NGT', 1, 'Pneumatic switching relay, 3-port, 0-30 psi', 'Pneumatic relay 3-port',
   'Docs\Relays\PNX-PR.pdf', 'RAFCABA', 'PNR3', NULL, 'Pneumatic relay', 1.5, 2.0, 1.5,
   'Two #6 screws', '1/4 in. barbed ports', '0.15 lb', 58.0, 0, 0, 'RLY-PN', 'Relay'),
  ('PNX-PR5', 'PNX', 'NGT', 1, 'Pneumatic diverting relay, 5-port, 0-30 psi', 'Pneumatic relay 5-port',
   'Docs\Relays\PNX-PR.pdf', 'RAFCACA', 'PNR5', NULL, 'Pneumatic relay', 1.5, 2.6, 1.5,
   'Two #6 screws', '1/4 in. barbed ports', '0.2 lb', 86.0, 0, 0, 'RLY-PN', 'Relay'),
  ('PNX-PRM', 'PNX', 'NGT', 1, 'Pneumatic minimum-pressure selector relay', 'Minimum-pressure selector',
   'Docs\Relays\PNX-PR.pdf', 'RAFCADA', 'PNR3', NULL, 'Pneumatic relay', 1.5, 2.0, 1.5,
   'Two #6 screws', '1/4 in. barbed ports', '0.15 lb', 72.0, 0, 0, 'RLY-PN', 'Relay'),
  ('BRA-SK8', 'BRL', 'SUM', 1, 'Relay socket, 8-pin octal, DIN rail or panel', '8-pin socket',
   'Docs\Relays\BRA-Sockets.pdf', 'RAGDAAA', 'SOCK8', NULL, 'Socket', 2.6, 1.6, 1.5,
   '35 mm DIN rail or two #6 screws', 'Box clamp terminals', '0.1 lb', 6.25, 0, 0, 'RLY-ACC', 'Relay'),
  ('BRA-SK11', 'BRL', 'SUM', 1, 'Relay socket, 11-pin octal, DIN rail or panel', '11-pin socket',
   'Docs\Relays\BRA-Sockets.pdf', 'RAGDAAA', 'SOCK11', NULL, 'Socket', 2.6, 1.6, 1.5,
   '35 mm DIN rail or two #6 screws', 'Box clamp terminals', '0.12 lb', 7.4, 0, 0, 'RLY-ACC', 'Relay'),
  ('BRA-SK14', 'BRL', 'SUM', 1, 'Relay socket, 14-blade, for 4PDT ice-cube relays', '14-blade socket',
   'Docs\Relays\BRA-Sockets.pdf', 'RAGDAAA', 'SOCK14', NULL, 'Socket', 2.9, 1.6, 1.1,
   '35 mm DIN rail', 'Box clamp terminals', '0.1 lb', 9.9, 0, 0, 'RLY-ACC', 'Relay'),
  ('BRA-HC1', 'BRL', 'SUM', 1, NULL, NULL,
   NULL, 'RAGBAAA', NULL, NULL, 'Accessory', 0.2, 2.2, 1.4,
   NULL, NULL, NULL, 1.85, 0, 0, 'RLY-ACC', 'Relay'),
  ('BRA-DIN', 'BRL', 'LKS', 1, 'DIN rail adapter for enclosed pilot relays', 'DIN adapter',
   'Docs\Relays\BRA-Accessories.pdf', 'RAGDAAA', NULL, NULL, 'Accessory', 0.6, 2.4, 2.2,
   '35 mm DIN rail', NULL, '0.05 lb', 4.2, 0, 0, 'RLY-ACC', 'Relay'),
  ('BRA-LBL', 'BRL', 'LKS', 1, 'Relay marking label kit, 100 labels', 'Label kit',
   'Docs\Relays\BRA-Accessories.pdf', '', NULL, NULL, 'Accessory', NULL, NULL, NULL,
   NULL, NULL, NULL, NULL, 0, 0, 'RLY-ACC', 'Relay'),
  -- Single quote in the part number.
  ('O''B-2401C', 'OBE', 'DIR', 1, 'Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil',
   'Box-cover relay SPDT, 24 VAC', 'Docs\Relays\OBE-2400.pdf', 'RABCBCB', 'SPDT', NULL, 'Pilot relay',
   1.8, 4.0, 4.0, '4 in. square box cover', 'Screw terminals', '0.4 lb', 32.5, 4, 0, 'RLY-GP', 'Relay'),
  -- Legacy row that was never given an attribute code.
  ('AVR-100L', 'BRL', NULL, 1, 'Legacy pilot relay, SPDT 10 A, 24 VAC coil (replaced by BRP-1C-24A)',
   'Legacy pilot relay', NULL, NULL, 'SPDT', NULL, 'Pilot relay', 1.6, 3.3, 2.2,
   NULL, NULL, NULL, 29.0, 4, 0, 'RLY-GP', 'Relay'),
  -- Coil voltage still to be chosen: the code stops after the service type.
  ('BRP-1C-XX', 'BRL', 'SUM', 1, 'Enclosed pilot relay, SPDT 10 A, coil voltage to order',
   'Pilot relay SPDT, coil to order', 'Docs\Relays\BRP-Series.pdf', 'RAB', 'SPDT', NULL, 'Pilot relay',
   1.6, 3.3, 2.2, '1/2 in. NPT nipple', '18 AWG leads, 16 in.', '0.3 lb', 36.5, 4, 0, 'RLY-GP', 'Relay'),
  -- Code keyed in lower case at the service type.
  ('BRI-08-24A-L', 'BRL', 'SUM', 1, 'General purpose plug-in relay with LED, 8-pin octal, DPDT 10 A, 24 VAC coil',
   'Octal relay DPDT with LED, 24 VAC', 'Docs\Relays\BRI-Series.pdf', 'RAbBBCA', 'DPDT', NULL, 'Plug-in relay',
   1.4, 2.4, 1.4, '8-pin octal base', 'Socket BRA-SK8', '0.2 lb', 16.1, 4, 0, 'RLY-GP', 'Relay'),
  -- 12 VAC coil: H has no coil text.
  ('BRP-1C-12A', 'BRL', 'SUM', 1, 'Enclosed pilot relay, SPDT 10 A contacts, LED status, 12 VAC coil',
   'Pilot relay SPDT, 12 VAC', 'Docs\Relays\BRP-Series.pdf', 'RABCHCA', 'SPDT', NULL, 'Pilot relay',
   1.6, 3.3, 2.2, '1/2 in. NPT nipple', '18 AWG leads, 16 in.', '0.3 lb', 38.0, 4, 0, 'RLY-GP', 'Relay'),
  -- Special-order assembly coded with letters outside every table.
  ('BRX-9000', 'BRL', 'DIR', 1, 'Special-order relay panel assembly, built to drawing',
   'Relay assembly, special', 'Docs\Relays\BRX-Special.pdf', 'RZZXHZZ', NULL, NULL, 'Assembly',
   4.0, 12.0, 10.0, 'Backplate, four 1/4 in. holes', NULL, '5 lb', 1250.0, 4, 0, 'RLY-GP', 'Relay'),
  -- Withdrawn: still listed by engineering, gone from the stored query.
  ('BRP-1C-48A', 'BRL', 'SUM', 1, 'Enclosed pilot relay, SPDT 10 A, 48 VAC coil (withdrawn)',
   'Pilot relay SPDT, 48 VAC', 'Docs\Relays\BRP-Series.pdf', 'RABCACA', 'SPDT', NULL, 'Pilot relay',
   1.6, 3.3, 2.2, '1/2 in. NPT nipple', '18 AWG leads, 16 in.', '0.3 lb', 41.0, 4, 1, 'RLY-GP', 'Relay');

-- ---- EP solenoid valves and PE switches -----------------------------------------------------

WITH
  coil (Cl, Sfx, Txt, Adder) AS (VALUES
    ('B', '24A', '24 VAC', 0.0), ('C', '120A', '120 VAC', 3.0), ('D', '230A', '230 VAC', 5.0),
    ('E', '12D', '12 VDC', 4.0), ('F', '24D', '24 VDC', 4.0), ('G', 'MV', '24 VAC/DC and 120 VAC', 11.0),
    ('K', '277A', '277 VAC', 8.0)),
  ep (Pfx, Mnt, Coils, Price, Descr, Short, D, H, W, D4) AS (VALUES
    ('PNX-EP3', 'C', 'BCDEF', 42.0, '3-way EP solenoid air valve, 0-25 psi, surface mount', 'EP valve 3-way',
     1.8, 2.9, 1.3, 'Two #8 screws'),
    ('PNX-EP3T', 'D', 'BCF', 47.5, '3-way EP solenoid air valve, 0-25 psi, snap track mount', 'EP valve 3-way track',
     1.8, 3.1, 1.3, '2.75 in. snap track'),
    ('PNX-EP3M', 'B', 'BF', 39.0, '3-way EP solenoid air valve, plug-in for 6-station manifold', 'EP valve manifold',
     1.6, 2.4, 1.0, 'PNX-MAN6 manifold'),
    ('PNX-EP2', 'C', 'BCG', 55.0, '2-way normally closed EP solenoid valve, 0-30 psi', 'EP valve 2-way NC',
     1.8, 3.2, 1.4, 'Two #8 screws'),
    ('PNX-EPE', 'E', 'CK', 148.0, '3-way EP solenoid air valve in NEMA 4 enclosure with gauge', 'EP valve enclosed',
     3.5, 6.0, 4.0, 'NEMA 4 enclosure, two 1/4 in. holes'))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT ep.Pfx || '-' || coil.Sfx, 'PNX', 'NGT', 2,
  ep.Descr || ', ' || coil.Txt || ' coil', ep.Short || ', ' || coil.Txt,
  'Docs\Pneumatics\' || ep.Pfx || '.pdf',
  'EAH' || ep.Mnt || coil.Cl || 'AA', 'EPV', 'EP valve', ep.D, ep.H, ep.W, ep.D4,
  '1/4 in. barbed ports', '0.3 lb', round(ep.Price + coil.Adder, 2), 4, 'EP-SOL', 'EP'
FROM ep JOIN coil ON instr(ep.Coils, coil.Cl) > 0
ORDER BY 1;

WITH
  pe (Pfx, Mnt, Cnt, LabelSet, Price, Descr, Short) AS (VALUES
    ('PNX-PE1', 'C', 'C', 'PE1', 38.0, 'Pressure-electric switch, SPDT 10 A, adjustable set point', 'PE switch SPDT'),
    ('PNX-PE2', 'D', 'D', 'PE2', 61.0, 'Pressure-electric switch, DPDT 10 A, snap track mount', 'PE switch DPDT'),
    ('PNX-PEF', 'F', 'C', 'PE1', 44.0, 'Pressure-electric switch, SPDT 10 A, panel flush mount', 'PE switch flush')),
  rng (Sfx, Txt, Adder) AS (VALUES ('15', '3-15 psi', 0.0), ('25', '5-25 psi', 0.0), ('30', '0-30 psi', 2.5))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT pe.Pfx || '-' || rng.Sfx, 'PNX', 'NGT', 2,
  pe.Descr || ', ' || rng.Txt, pe.Short || ' ' || rng.Txt,
  'Docs\Pneumatics\PNX-PE.pdf',
  'EAL' || pe.Mnt || 'A' || pe.Cnt || 'A', pe.LabelSet, 'PE switch', 1.9, 3.4, 2.1,
  CASE pe.Mnt WHEN 'D' THEN '2.75 in. snap track' WHEN 'F' THEN 'Panel cut-out 1.9 x 3.3 in.' ELSE 'Two #8 screws' END,
  '1/8 in. NPT port', '0.4 lb', round(pe.Price + rng.Adder, 2), 3, 'PE-SW', 'EP'
FROM pe JOIN rng ON pe.Pfx <> 'PNX-PEF' OR rng.Sfx = '25'
ORDER BY 1;

-- ---- Current sensors ------------------------------------------------------------------------

WITH
  sw (Pfx, Mnt, Pow, Core, Price, Descr, Short, D, H, W, D4) AS (VALUES
    ('CSG-SS', 'C', 'A', 'S', 34.0, 'Current switch, solid core, self-powered, fixed trip', 'Current switch solid core',
     1.0, 2.6, 2.6, 'Two #8 screws or cable tie'),
    ('CSG-SP', 'C', 'A', 'P', 49.0, 'Current switch, split core, self-powered, fixed trip', 'Current switch split core',
     1.1, 3.0, 2.9, 'Two #8 screws or cable tie'),
    ('CSG-SA', 'C', 'A', 'P', 58.0, 'Current switch, split core, adjustable trip with LED', 'Current switch adjustable',
     1.1, 3.0, 2.9, 'Two #8 screws or cable tie'),
    ('CSG-SD', 'D', 'A', 'S', 41.0, 'Current switch, solid core, snap track mount', 'Current switch track',
     1.0, 2.9, 2.6, '2.75 in. snap track'),
    ('CSG-SB', 'B', 'B', 'S', 66.0, 'Current switch, 24 VAC powered, plug-in base, adjustable trip', 'Current switch powered',
     1.5, 2.4, 1.8, '8-pin octal base')),
  rng (Sfx, Txt, Adder, Series) AS (VALUES
    ('050', '0.5-50 A', 0.0, 'CSG-SS CSG-SP CSG-SD CSG-SB'),
    ('150', '1.5-150 A', 4.0, 'CSG-SS CSG-SP CSG-SA CSG-SD CSG-SB'),
    ('200', '2-200 A', 9.0, 'CSG-SS CSG-SP CSG-SA')),
  outp (Sfx, Code, Txt, Adder) AS (VALUES ('NO', 'I', 'normally open', 0.0), ('NC', 'J', 'normally closed', 1.5))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT sw.Pfx || rng.Sfx || '-' || outp.Sfx, 'CSG', 'SUM', 3,
  sw.Descr || ', ' || rng.Txt || ', ' || outp.Txt || ' output',
  sw.Short || ' ' || rng.Txt || ' ' || outp.Sfx,
  'Docs\CurrentSensors\' || sw.Pfx || '.pdf',
  'CAJ' || sw.Mnt || sw.Pow || 'B' || sw.Core || outp.Code,
  CASE WHEN sw.Pow = 'B' THEN 'CSP' ELSE 'CS' END || outp.Sfx,
  'Current switch', sw.D, sw.H, sw.W, sw.D4,
  CASE sw.Core WHEN 'S' THEN '0.75 in. window' ELSE '0.85 x 0.85 in. split window' END,
  '0.2 lb', round(sw.Price + rng.Adder + outp.Adder, 2), 3, 'CS-SW', 'CS'
FROM sw JOIN rng ON instr(rng.Series, sw.Pfx) > 0 CROSS JOIN outp
ORDER BY 1;

WITH
  tx (Pfx, Pow, Core, LabelSet, Price, Descr, Short, Series) AS (VALUES
    ('CSG-TV', 'B', 'P', 'CSV', 88.0, 'Current transducer, split core, 0-10 VDC output, 24 VAC/DC powered', 'Current transducer 0-10 V', 'V'),
    ('CSG-TM', 'A', 'P', 'CSMA', 79.0, 'Current transducer, split core, 4-20 mA loop powered', 'Current transducer 4-20 mA', 'M'),
    ('CSG-TR', 'B', 'S', 'CSV', 132.0, 'True RMS current transducer, solid core, 0-10 VDC output', 'RMS transducer 0-10 V', 'R')),
  rng (Sfx, Txt, Adder, Series) AS (VALUES
    ('050', '0-50 A', 0.0, 'VMR'), ('100', '0-100 A', 0.0, 'VM'), ('200', '0-200 A', 6.0, 'VMR'),
    ('400', '0-400 A', 14.0, 'V'))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT tx.Pfx || rng.Sfx, 'CSG', 'LKS', 3,
  tx.Descr || ', ' || rng.Txt, tx.Short || ' ' || rng.Txt,
  'Docs\CurrentSensors\' || tx.Pfx || '.pdf',
  'CAJC' || tx.Pow || 'A' || tx.Core || 'A', tx.LabelSet, 'Current transducer', 1.2, 3.3, 3.0,
  'Two #8 screws or cable tie', '0.85 x 0.85 in. split window', '0.25 lb',
  round(tx.Price + rng.Adder, 2), 1, 'CS-XDCR', 'CS'
FROM tx JOIN rng ON instr(rng.Series, tx.Series) > 0
ORDER BY 1;

INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType) VALUES
  ('CSG-CR-24A', 'CSG', 'SUM', 3, 'Command relay with current switch, SPDT 10 A, 24 VAC coil, normally open status',
   'Command relay with status, 24 VAC', 'Docs\CurrentSensors\CSG-CR.pdf', 'CAJCBCSI', 'CSCR', 'Command relay',
   1.6, 3.3, 2.2, '1/2 in. NPT nipple', '0.75 in. window', '0.4 lb', 72.0, 4, 'CS-CR', 'CS'),
  ('CSG-CR-120A', 'CSG', 'SUM', 3, 'Command relay with current switch, SPDT 10 A, 120 VAC coil, normally open status',
   'Command relay with status, 120 VAC', 'Docs\CurrentSensors\CSG-CR.pdf', 'CAJCCCSI', 'CSCR', 'Command relay',
   1.6, 3.3, 2.2, '1/2 in. NPT nipple', '0.75 in. window', '0.4 lb', 74.0, 4, 'CS-CR', 'CS'),
  -- Catalogue spells this part in mixed case; engineering lists it as CS-1100-LO.
  ('cs-1100-Lo', 'CSG', 'SUM', 3, 'Current switch, solid core, low range 0.15-100 A adjustable, normally open output',
   'Current switch low range NO', 'Docs\CurrentSensors\CSG-SS.pdf', 'CAJCABSI', 'CSNO', 'Current switch',
   1.0, 2.6, 2.6, 'Two #8 screws or cable tie', '0.75 in. window', '0.2 lb', 45.0, 3, NULL, NULL),
  -- Output not yet coded: the code stops before the output position.
  ('CSG-SP-MINI', 'CSG', 'SUM', 3, 'Mini current switch, split core, 0.3-60 A, output to order',
   'Mini current switch', 'Docs\CurrentSensors\CSG-SP.pdf', 'CAJCABP', 'CSNO', 'Current switch',
   0.9, 2.0, 1.9, 'Cable tie', '0.5 x 0.5 in. split window', '0.1 lb', 52.0, 3, 'CS-SW', 'CS'),
  -- Solid-state output: a letter the output table does not list.
  ('CSG-SS150-SSR', 'CSG', 'SUM', 3, 'Current switch, solid core, 1.5-150 A, solid-state AC/DC output',
   'Current switch solid-state output', 'Docs\CurrentSensors\CSG-SS.pdf', 'CAJCABSK', 'CSNO', 'Current switch',
   1.0, 2.6, 2.6, 'Two #8 screws or cable tie', '0.75 in. window', '0.2 lb', 39.0, 3, 'CS-SW', 'CS');

-- ---- Transformers ---------------------------------------------------------------------------

WITH
  va (VA, Cls, Price, D, H, W, Wt) AS (VALUES
    (20, 'A', 18.5, 2.0, 2.3, 2.5, '1.1 lb'), (40, 'B', 21.0, 2.2, 2.5, 2.6, '1.6 lb'),
    (50, 'C', 26.0, 2.4, 2.5, 2.6, '1.9 lb'), (75, 'D', 33.0, 2.6, 2.8, 3.0, '2.6 lb'),
    (96, 'E', 39.5, 2.8, 2.8, 3.0, '3.1 lb'), (100, 'F', 44.0, 3.0, 3.0, 3.3, '3.4 lb')),
  kind (Sfx, Prim, Brk, LabelSet, Adder, PrimTxt, Extra, Sizes) AS (VALUES
    ('120', 'A', 'N', 'XF120', 0.0, '120 VAC', '', 'ABCDEF'),
    ('MT', 'M', 'N', 'XFMT', 6.0, '120/208/240/277/480 VAC', '', 'ABCDEF'),
    ('MT-CB', 'M', 'Y', 'XFCB', 14.0, '120/208/240/277/480 VAC', ', with secondary circuit breaker', 'BCDE'),
    ('480', 'H', 'N', 'XF480', 9.0, '480 VAC', '', 'CDE'))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT 'MPT-' || va.VA || '-' || kind.Sfx, 'MRD', 'LKS', 4,
  'Class 2 control transformer, ' || va.VA || ' VA, ' || kind.PrimTxt || ' primary, 24 VAC secondary, foot mount' || kind.Extra,
  'Transformer ' || va.VA || ' VA ' || kind.PrimTxt,
  'Docs\Transformers\MPT-Series.pdf',
  'TA' || kind.Prim || 'C' || kind.Brk || va.Cls, kind.LabelSet, 'Transformer', va.D, va.H, va.W,
  'Foot mount, 2 slots', '4 x 4 in. box plate optional', va.Wt, round(va.Price + kind.Adder, 2), 0,
  'XFMR', 'Transformer'
FROM va JOIN kind ON instr(kind.Sizes, va.Cls) > 0
ORDER BY 1;

INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType) VALUES
  ('NRV-XD40', 'NRV', 'NGT', 4, 'DIN rail control transformer, 40 VA, multi-tap primary, 24 VAC secondary, fused',
   'DIN transformer 40 VA', 'Docs\Transformers\NRV-XD.pdf', 'TAMDYB', 'XFDIN', 'Transformer',
   2.9, 3.5, 2.8, '35 mm DIN rail', 'Secondary fuse 2 A', '1.8 lb', 46.0, 0, 'XFMR', 'Transformer'),
  ('NRV-XD50', 'NRV', 'NGT', 4, 'DIN rail control transformer, 50 VA, multi-tap primary, 24 VAC secondary, fused',
   'DIN transformer 50 VA', 'Docs\Transformers\NRV-XD.pdf', 'TAMDYC', 'XFDIN', 'Transformer',
   2.9, 3.5, 3.1, '35 mm DIN rail', 'Secondary fuse 2.5 A', '2.1 lb', 52.0, 0, 'XFMR', 'Transformer'),
  ('NRV-XD75', 'NRV', 'NGT', 4, 'DIN rail control transformer, 75 VA, multi-tap primary, 24 VAC secondary, fused',
   'DIN transformer 75 VA', 'Docs\Transformers\NRV-XD.pdf', 'TAMDYD', 'XFDIN', 'Transformer',
   3.1, 3.5, 3.5, '35 mm DIN rail', 'Secondary fuse 3.15 A', '2.8 lb', 61.0, 0, 'XFMR', 'Transformer'),
  ('NRV-XD100-2S', 'NRV', 'NGT', 4, 'DIN rail control transformer, 2 x 50 VA isolated 24 VAC secondaries, multi-tap primary',
   'DIN transformer 2 x 50 VA', 'Docs\Transformers\NRV-XD.pdf', 'TAMDYF', 'XF2S', 'Transformer',
   3.3, 3.5, 4.3, '35 mm DIN rail', 'Secondary fuses 2 x 2.5 A', '3.6 lb', 88.0, 0, 'XFMR', 'Transformer');

-- ---- Electric actuators ---------------------------------------------------------------------

WITH
  tq (Tq, Cls, Price, D, H, W, Shaft, Wt) AS (VALUES
    ('035', 'A', 96.0, 2.4, 6.1, 2.8, '1/4 - 5/8 in. round, 1/4 - 7/16 in. square', '1.3 lb'),
    ('090', 'B', 138.0, 2.6, 7.2, 3.2, '3/8 - 3/4 in. round, 1/4 - 1/2 in. square', '2.2 lb'),
    ('180', 'C', 214.0, 3.1, 9.3, 4.1, '3/8 - 1-1/16 in. round, 1/4 - 3/4 in. square', '4.4 lb'),
    ('270', 'D', 288.0, 3.5, 10.6, 4.4, '1/2 - 1-1/16 in. round, 3/8 - 3/4 in. square', '5.9 lb')),
  spr (Sfx, Code, Txt, Adder) AS (VALUES ('S', 'S', 'spring return', 1.0), ('N', 'N', 'non-spring return', 0.0)),
  ctl (Volt, VoltCode, Sfx, Code, Txt, SR, LabelSet, IOType, ItemCode, Adder, Sizes) AS (VALUES
    ('24', 'B', '', 'O', '24 VAC/DC two-position', NULL, 'A2W', 4, 'EACT-2P', 0.0, 'ABCD'),
    ('24', 'B', 'F', 'F', '24 VAC/DC floating', NULL, 'AFL', 4, 'EACT-FL', 15.0, 'ABCD'),
    ('24', 'B', 'P', 'P', '24 VAC/DC proportional 2-10 VDC', '2-10 V', 'AMOD', 2, 'EACT-MOD', 42.0, 'ABCD'),
    ('24', 'B', 'PX', 'P', '24 VAC/DC proportional 0-10 VDC', '0-10 V', 'AMOD', 2, 'EACT-MOD', 42.0, 'ABCD'),
    ('24', 'B', 'PM', 'P', '24 VAC/DC proportional 4-20 mA', '4-20 mA', 'AMOD', 2, 'EACT-MOD', 48.0, 'CD'),
    ('120', 'C', '', 'O', '120 VAC two-position', NULL, 'A2WLN', 4, 'EACT-2P', 24.0, 'ABCD'),
    ('230', 'D', '', 'O', '230 VAC two-position', NULL, 'A2WLN', 4, 'EACT-2P', 29.0, 'ABCD'))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, SoccVlvActSR, PhysDepth, PhysHeight, PhysWidth, SoccD4,
  SoccD5, SoccD6, MfgListPrice, SoccIOType, ItemCode, PartType)
SELECT 'HA' || tq.Tq || spr.Sfx || '-' || ctl.Volt || ctl.Sfx, 'HRT', 'WSP', 5,
  'Electric actuator, ' || CAST(tq.Tq AS INTEGER) || ' in-lb, ' || spr.Txt || ', ' || ctl.Txt,
  'Actuator ' || CAST(tq.Tq AS INTEGER) || ' in-lb ' || spr.Sfx || 'R ' || ctl.Volt || ' V',
  'Docs\Actuators\HA' || tq.Tq || spr.Sfx || '.pdf',
  'AA' || ctl.Code || spr.Code || ctl.VoltCode || tq.Cls || 'A', ctl.LabelSet, 'Electric actuator', ctl.SR,
  tq.D, tq.H, tq.W, 'Direct coupled, universal clamp', tq.Shaft, tq.Wt,
  round(tq.Price * (1 + spr.Adder * 0.35) + ctl.Adder, 2), ctl.IOType, ctl.ItemCode, 'Actuator'
FROM tq CROSS JOIN spr JOIN ctl ON instr(ctl.Sizes, tq.Cls) > 0
ORDER BY 1;

-- ---- Actuator accessories -------------------------------------------------------------------

INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType) VALUES
  ('HA-AUX1', 'HRT', 'WSP', 6, 'Auxiliary switch, 1 x SPDT 3 A, adjustable 0-95 degrees', 'Aux switch 1 x SPDT',
   'Docs\Actuators\HA-Accessories.pdf', 'XAS', 'AUX1', 'Auxiliary switch', 1.0, 2.4, 2.0, 'Snaps on actuator cover', 'Fits all HA sizes', '0.15 lb', 46.0, 3, 'EACC-AUX', 'Actuator Accessory'),
  ('HA-AUX2', 'HRT', 'WSP', 6, 'Auxiliary switch, 2 x SPDT 3 A, adjustable 0-95 degrees', 'Aux switch 2 x SPDT',
   'Docs\Actuators\HA-Accessories.pdf', 'XAS', 'AUX2', 'Auxiliary switch', 1.0, 2.4, 2.0, 'Snaps on actuator cover', 'Fits all HA sizes', '0.18 lb', 68.0, 3, 'EACC-AUX', 'Actuator Accessory'),
  ('HA-FB140', 'HRT', 'WSP', 6, 'Feedback potentiometer, 140 ohm', 'Feedback pot 140 ohm',
   'Docs\Actuators\HA-Accessories.pdf', 'XAP', 'FB', 'Feedback potentiometer', 1.0, 2.4, 2.0, 'Snaps on actuator cover', 'Fits all HA sizes', '0.12 lb', 58.0, 1, 'EACC-FB', 'Actuator Accessory'),
  ('HA-FB1K', 'HRT', 'WSP', 6, 'Feedback potentiometer, 1000 ohm', 'Feedback pot 1 kohm',
   'Docs\Actuators\HA-Accessories.pdf', 'XAP', 'FB', 'Feedback potentiometer', 1.0, 2.4, 2.0, 'Snaps on actuator cover', 'Fits all HA sizes', '0.12 lb', 58.0, 1, 'EACC-FB', 'Actuator Accessory'),
  ('HA-FB10K', 'HRT', 'WSP', 6, 'Feedback potentiometer, 10 kohm', 'Feedback pot 10 kohm',
   'Docs\Actuators\HA-Accessories.pdf', 'XAP', 'FB', 'Feedback potentiometer', 1.0, 2.4, 2.0, 'Snaps on actuator cover', 'Fits all HA sizes', '0.12 lb', 61.0, 1, 'EACC-FB', 'Actuator Accessory'),
  ('HA-FB2X1K', 'HRT', 'WSP', 6, 'Dual feedback potentiometer, 2 x 1000 ohm', 'Dual feedback pot',
   'Docs\Actuators\HA-Accessories.pdf', 'XAP', 'FB2', 'Feedback potentiometer', 1.0, 2.4, 2.0, 'Snaps on actuator cover', 'Fits HA180 and HA270', '0.15 lb', 84.0, 1, 'EACC-FB', 'Actuator Accessory'),
  ('HA-AUXFB', 'HRT', 'WSP', 6, 'Combined 2 x SPDT auxiliary switch and dual 1000 ohm feedback potentiometer', 'Aux switch and feedback',
   'Docs\Actuators\HA-Accessories.pdf', 'XASP', 'AUXFB', 'Auxiliary switch', 1.4, 2.4, 2.0, 'Snaps on actuator cover', 'Fits HA180 and HA270', '0.25 lb', 129.0, 3, 'EACC-AUX', 'Actuator Accessory'),
  ('HA-LK-VB', 'HRT', 'WSP', 6, 'Valve linkage for 1/2 - 2 in. ball valves', 'Ball valve linkage',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 2.0, 3.0, 3.5, 'Bolts to valve body', 'Stem adapter 9 mm', '0.6 lb', 54.0, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-LK-VG', 'HRT', 'WSP', 6, 'Valve linkage for globe valves, 3/4 in. stroke', 'Globe valve linkage',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 2.5, 6.0, 3.5, 'Yoke mount', 'Stem 1/4 in. - 28 UNF', '1.4 lb', 122.0, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-LK-DMP', 'HRT', 'WSP', 6, 'Damper crank linkage kit with ball joints and push rod', 'Damper crank kit',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 1.0, 1.5, 10.0, 'Foot mount', 'Push rod 5/16 in. x 18 in.', '0.7 lb', 38.5, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-CA-12', 'HRT', 'WSP', 6, 'Crank arm for 1/2 in. shafts', 'Crank arm 1/2 in.',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 0.4, 1.0, 3.0, NULL, 'Shaft 1/2 in. round', '0.1 lb', 12.0, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-CA-34', 'HRT', 'WSP', 6, 'Crank arm for 3/4 in. shafts', 'Crank arm 3/4 in.',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 0.4, 1.2, 3.5, NULL, 'Shaft 3/4 in. round', '0.15 lb', 14.0, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-SE-12', 'HRT', 'WSP', 6, 'Shaft extension, 1/2 in. x 6 in.', 'Shaft extension 6 in.',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 0.5, 0.5, 6.0, NULL, 'Shaft 1/2 in. round', '0.3 lb', 19.0, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-SE-34', 'HRT', 'WSP', 6, 'Shaft extension, 3/4 in. x 9 in.', 'Shaft extension 9 in.',
   'Docs\Actuators\HA-Linkages.pdf', 'XAL', NULL, 'Linkage', 0.75, 0.75, 9.0, NULL, 'Shaft 3/4 in. round', '0.9 lb', 26.0, 0, 'EACC-LNK', 'Actuator Accessory'),
  ('HA-WS-S', 'HRT', 'WSP', 6, 'Weather shield for HA035 and HA090, NEMA 3R', 'Weather shield small',
   'Docs\Actuators\HA-Shields.pdf', 'XAW', NULL, 'Weather shield', 4.0, 9.0, 5.0, 'Clamps to duct or bracket', 'Fits HA035, HA090', '1.1 lb', 72.0, 0, 'EACC-WS', 'Actuator Accessory'),
  ('HA-WS-L', 'HRT', 'WSP', 6, 'Weather shield for HA180 and HA270, NEMA 3R', 'Weather shield large',
   'Docs\Actuators\HA-Shields.pdf', 'XAW', NULL, 'Weather shield', 5.0, 12.5, 6.0, 'Clamps to duct or bracket', 'Fits HA180, HA270', '1.8 lb', 94.0, 0, 'EACC-WS', 'Actuator Accessory'),
  ('HA-WS-XL', 'HRT', 'WSP', 6, 'Weather shield for tandem mounted actuators, NEMA 4X', 'Weather shield tandem',
   'Docs\Actuators\HA-Shields.pdf', 'XAW', NULL, 'Weather shield', 6.0, 14.0, 11.0, 'Clamps to duct or bracket', 'Fits two HA270', '3.9 lb', 188.0, 0, 'EACC-WS', 'Actuator Accessory'),
  ('HA-MB-1', 'HRT', 'WSP', 6, 'Mounting bracket, flat, for jackshaft applications', 'Mounting bracket flat',
   'Docs\Actuators\HA-Brackets.pdf', 'XAM', NULL, 'Bracket', 0.1, 4.0, 6.0, 'Four #10 screws', NULL, '0.4 lb', 16.5, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-MB-2', 'HRT', 'WSP', 6, 'Mounting bracket, Z-shaped, 2 in. offset', 'Mounting bracket Z',
   'Docs\Actuators\HA-Brackets.pdf', 'XAM', NULL, 'Bracket', 2.0, 4.0, 6.0, 'Four #10 screws', NULL, '0.5 lb', 21.0, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-MB-FL', 'HRT', 'WSP', 6, 'Foot mounting kit for crank arm applications', 'Foot mounting kit',
   'Docs\Actuators\HA-Brackets.pdf', 'XAM', NULL, 'Bracket', 1.5, 1.5, 5.0, 'Two 1/4 in. bolts', NULL, '0.4 lb', 24.0, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-AR-1', 'HRT', 'WSP', 6, 'Anti-rotation strap, universal', 'Anti-rotation strap',
   'Docs\Actuators\HA-Brackets.pdf', 'XAM', NULL, 'Bracket', 0.1, 0.8, 4.0, 'One #10 screw', NULL, '0.05 lb', 4.5, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-PI', 'HRT', 'WSP', 6, 'Position indicator dial, 0-90 degrees', 'Position indicator',
   'Docs\Actuators\HA-Accessories.pdf', 'XAI', NULL, 'Indicator', 0.3, 1.5, 1.5, 'Snaps on shaft clamp', NULL, '0.02 lb', 6.0, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-MOH', 'HRT', 'WSP', 6, 'Manual override crank handle, 5 mm hex', 'Override handle',
   'Docs\Actuators\HA-Accessories.pdf', 'XAI', NULL, 'Tool', 0.3, 0.3, 4.0, NULL, NULL, '0.05 lb', 3.5, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-JB4', 'HRT', 'WSP', 6, 'Wiring junction box, NEMA 4, with cable glands', 'Junction box NEMA 4',
   'Docs\Actuators\HA-Accessories.pdf', 'XAJ', 'TB4', 'Junction box', 2.4, 4.0, 4.0, 'Two #8 screws', 'Two M16 glands', '0.5 lb', 48.0, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-CNA-12', 'HRT', 'WSP', 6, 'Conduit adapter, 1/2 in. NPT', 'Conduit adapter',
   'Docs\Actuators\HA-Accessories.pdf', 'XAJ', NULL, 'Conduit adapter', 0.8, 1.0, 1.0, NULL, '1/2 in. NPT', '0.05 lb', 7.5, 0, 'EACC-MTG', 'Actuator Accessory'),
  ('HA-TAN-270', 'HRT', 'WSP', 6, 'Tandem mounting kit for two HA270 actuators on one shaft', 'Tandem kit',
   'Docs\Actuators\HA-Brackets.pdf', 'XAM', NULL, 'Bracket', 2.0, 12.0, 8.0, 'Four 1/4 in. bolts', 'Shaft 1/2 - 1-1/16 in.', '2.2 lb', 145.0, 0, 'EACC-MTG', 'Actuator Accessory');

-- ---- Controllers ----------------------------------------------------------------------------

INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType, IsController) VALUES
  ('AVL-GCM2000', 'AVL', 'SUM', 7, 'Global controller module, Ethernet and RS-485 trunk, 4 UI, 2 DO', 'Global controller 2000',
   'Docs\Controllers\AVL-GCM2000.pdf', 'KAG', 'GCM2000', 'GCM', 2.4, 5.9, 8.3, '35 mm DIN rail', 'Two RJ45 ports', '1.1 lb', 1495.0, 0, 'GCM-2000', 'GCM', 1),
  ('AVL-GCM2000-E', 'AVL', 'SUM', 7, 'Global controller module 2000 in NEMA 1 enclosure with 50 VA transformer', 'Global controller 2000 enclosed',
   'Docs\Controllers\AVL-GCM2000.pdf', 'KAGE', 'GCM2000', 'GCM', 4.0, 14.0, 12.0, 'NEMA 1 enclosure', 'Two RJ45 ports', '7.5 lb', 1895.0, 0, 'GCM-2000', 'GCM', 1),
  ('AVL-GCM2400', 'AVL', 'SUM', 7, 'Global controller module, dual Ethernet, 2 RS-485 trunks, 8 UI, 2 AO, 4 DO', 'Global controller 2400',
   'Docs\Controllers\AVL-GCM2400.pdf', 'KAG', 'GCM2400', 'GCM', 2.4, 5.9, 10.6, '35 mm DIN rail', 'Two RJ45 ports', '1.4 lb', 2350.0, 0, 'GCM-2400', 'GCM', 1),
  ('AVL-GCM2400-E', 'AVL', 'SUM', 7, 'Global controller module 2400 in NEMA 1 enclosure with 100 VA transformer', 'Global controller 2400 enclosed',
   'Docs\Controllers\AVL-GCM2400.pdf', 'KAGE', 'GCM2400', 'GCM', 4.0, 16.0, 16.0, 'NEMA 1 enclosure', 'Two RJ45 ports', '10.2 lb', 2795.0, 0, 'GCM-2400', 'GCM', 1),
  ('AVL-GCM2400-R', 'AVL', 'DIR', 7, 'Global controller module 2400, 19 in. rack mount', 'Global controller 2400 rack',
   'Docs\Controllers\AVL-GCM2400.pdf', 'KAGR', 'GCM2400', 'GCM', 8.0, 1.75, 19.0, '19 in. rack, 1U', 'Two RJ45 ports', '4.6 lb', 2610.0, 0, 'GCM-2400', 'GCM', 1),
  ('AVL-LNC1628', 'AVL', 'SUM', 7, 'Local network controller, 16 UI, 4 AO, 8 DO, MS/TP', 'Network controller 1628',
   'Docs\Controllers\AVL-LNC.pdf', 'KAL', 'LNC1628', 'LNC', 2.4, 5.9, 8.3, '35 mm DIN rail', 'Removable terminal blocks', '1.2 lb', 1120.0, 0, 'LNC-1628', 'LNC', 1),
  ('AVL-LNC1628-E', 'AVL', 'SUM', 7, 'Local network controller 1628 in NEMA 1 enclosure with 75 VA transformer', 'Network controller 1628 enclosed',
   'Docs\Controllers\AVL-LNC.pdf', 'KALE', 'LNC1628', 'LNC', 4.0, 16.0, 16.0, 'NEMA 1 enclosure', 'Removable terminal blocks', '9.8 lb', 1485.0, 0, 'LNC-1628', 'LNC', 1),
  ('AVL-LNC1628-X', 'AVL', 'DIR', 7, 'Local network controller 1628, extended temperature -40 to 70 C', 'Network controller 1628 ext. temp',
   'Docs\Controllers\AVL-LNC.pdf', 'KALX', 'LNC1628', 'LNC', 2.4, 5.9, 8.3, '35 mm DIN rail', 'Conformal coated', '1.2 lb', 1340.0, 0, 'LNC-1628', 'LNC', 1),
  ('AVL-LNC0804', 'AVL', 'SUM', 7, 'Local network controller, 8 UI, 2 AO, 4 DO, MS/TP', 'Network controller 0804',
   'Docs\Controllers\AVL-LNC.pdf', 'KAL', 'LNC0804', 'LNC', 2.4, 5.9, 6.2, '35 mm DIN rail', 'Removable terminal blocks', '0.9 lb', 785.0, 0, 'LNC-0804', 'LNC', 1),
  ('AVL-LNC0804-E', 'AVL', 'SUM', 7, 'Local network controller 0804 in NEMA 1 enclosure with 50 VA transformer', 'Network controller 0804 enclosed',
   'Docs\Controllers\AVL-LNC.pdf', 'KALE', 'LNC0804', 'LNC', 4.0, 12.0, 12.0, 'NEMA 1 enclosure', 'Removable terminal blocks', '6.9 lb', 1095.0, 0, 'LNC-0804', 'LNC', 1),
  ('AVL-UC22', 'AVL', 'LKS', 7, 'Unitary controller for rooftop units, 6 UI, 2 AO, 6 DO', 'Unitary controller',
   'Docs\Controllers\AVL-UC22.pdf', 'KAU', 'UC22', 'ASC', 2.0, 5.0, 7.5, 'Panel or 35 mm DIN rail', 'Removable terminal blocks', '0.8 lb', 545.0, 0, 'UC-22', 'ASC', 1),
  ('AVL-UC22-HP', 'AVL', 'LKS', 7, 'Unitary controller for heat pumps, 6 UI, 2 AO, 6 DO, reversing valve logic', 'Unitary controller heat pump',
   'Docs\Controllers\AVL-UC22.pdf', 'KAUH', 'UC22', 'ASC', 2.0, 5.0, 7.5, 'Panel or 35 mm DIN rail', 'Removable terminal blocks', '0.8 lb', 575.0, 0, 'UC-22', 'ASC', 1),
  ('AVL-VAV110', 'AVL', 'LKS', 7, 'VAV box controller with integral actuator and airflow sensor', 'VAV controller',
   'Docs\Controllers\AVL-VAV110.pdf', 'KAV', 'VAV110', 'ASC', 3.0, 4.5, 7.0, 'Mounts on damper shaft', 'Shaft 3/8 - 5/8 in.', '1.5 lb', 465.0, 0, 'VAV-110', 'ASC', 1),
  ('AVL-VAV110-R', 'AVL', 'LKS', 7, 'VAV box controller with integral actuator, airflow sensor and reheat outputs', 'VAV controller reheat',
   'Docs\Controllers\AVL-VAV110.pdf', 'KAVR', 'VAV110', 'ASC', 3.0, 4.5, 7.0, 'Mounts on damper shaft', 'Shaft 3/8 - 5/8 in.', '1.5 lb', 498.0, 0, 'VAV-110', 'ASC', 1),
  ('AVL-INTR8UI', 'AVL', 'SUM', 7, 'I/O expansion module, 8 universal inputs', 'Expansion 8 UI',
   'Docs\Controllers\AVL-INTR.pdf', 'KAI', 'I8UI', 'INTR', 2.4, 3.6, 3.5, '35 mm DIN rail', 'Expansion bus ribbon cable', '0.4 lb', 310.0, 0, 'INTR-8UI', 'INTR', 1),
  ('AVL-INTR8DO', 'AVL', 'SUM', 7, 'I/O expansion module, 8 relay outputs 5 A', 'Expansion 8 DO',
   'Docs\Controllers\AVL-INTR.pdf', 'KAI', 'I8DO', 'INTR', 2.4, 3.6, 3.5, '35 mm DIN rail', 'Expansion bus ribbon cable', '0.5 lb', 335.0, 0, 'INTR-8DO', 'INTR', 1),
  ('AVL-INTR8DO-H', 'AVL', 'SUM', 7, 'I/O expansion module, 8 relay outputs 5 A with hand-off-auto switches', 'Expansion 8 DO with HOA',
   'Docs\Controllers\AVL-INTR.pdf', 'KAIH', 'I8DO', 'INTR', 2.4, 3.6, 3.5, '35 mm DIN rail', 'Expansion bus ribbon cable', '0.55 lb', 395.0, 0, 'INTR-8DO', 'INTR', 1),
  ('AVL-INTR4AO', 'AVL', 'SUM', 7, 'I/O expansion module, 4 analog outputs 0-10 VDC or 4-20 mA', 'Expansion 4 AO',
   'Docs\Controllers\AVL-INTR.pdf', 'KAI', 'I4AO', 'INTR', 2.4, 3.6, 3.5, '35 mm DIN rail', 'Expansion bus ribbon cable', '0.4 lb', 298.0, 0, 'INTR-4AO', 'INTR', 1),
  ('AVL-GCM-PS', 'AVL', 'SUM', 7, 'Controller power supply, 24 VAC to 24 VDC 2.5 A, DIN rail', 'Controller power supply',
   'Docs\Controllers\AVL-Accessories.pdf', 'KAP', 'TB4', 'Power supply', 2.4, 3.6, 2.1, '35 mm DIN rail', NULL, '0.5 lb', 118.0, 0, 'CTL-ACC', 'Controller Accessory', 0),
  ('AVL-RPT485', 'AVL', 'SUM', 7, 'RS-485 trunk repeater, optically isolated', 'RS-485 repeater',
   'Docs\Controllers\AVL-Accessories.pdf', 'KAP', 'TB4', 'Repeater', 2.4, 3.6, 1.4, '35 mm DIN rail', NULL, '0.3 lb', 265.0, 0, 'CTL-ACC', 'Controller Accessory', 0),
  ('AVL-DSP-LCD', 'AVL', 'SUM', 7, 'Door-mounted operator display, 4 x 20 LCD with keypad', 'Operator display',
   'Docs\Controllers\AVL-Accessories.pdf', 'KAP', 'TB4', 'Display', 1.2, 4.0, 6.5, 'Panel door cut-out 3.6 x 6.1 in.', NULL, '0.6 lb', 410.0, 0, 'CTL-ACC', 'Controller Accessory', 0),
  ('AVL-BAT-LI', 'AVL', 'SUM', 7, 'Replacement clock battery, lithium CR2032, pack of 10', 'Clock battery 10-pack',
   NULL, 'KAP', NULL, 'Spare', NULL, NULL, NULL, NULL, NULL, '0.05 lb', 19.0, 0, 'CTL-ACC', 'Controller Accessory', 0);

-- ---- Terminals, rail and enclosures ---------------------------------------------------------

INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, LabelSet, SoccAsType, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, ItemCode, PartType) VALUES
  ('TBK-FT25', 'TBK', 'LKS', 8, 'Feed-through terminal block, 2.5 mm2, screw clamp, grey', 'Terminal 2.5 mm2 grey',
   'Docs\Panel\TBK-Terminals.pdf', 'MAT', 'TB2', 'Terminal', 1.7, 1.9, 0.2, '35 mm DIN rail', '0.2-4 mm2 wire', '0.01 lb', 0.62, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-FT25-BU', 'TBK', 'LKS', 8, 'Feed-through terminal block, 2.5 mm2, screw clamp, blue', 'Terminal 2.5 mm2 blue',
   'Docs\Panel\TBK-Terminals.pdf', 'MAT', 'TB2', 'Terminal', 1.7, 1.9, 0.2, '35 mm DIN rail', '0.2-4 mm2 wire', '0.01 lb', 0.66, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-FT4', 'TBK', 'LKS', 8, 'Feed-through terminal block, 4 mm2, screw clamp, grey', 'Terminal 4 mm2',
   'Docs\Panel\TBK-Terminals.pdf', 'MAT', 'TB2', 'Terminal', 1.7, 1.9, 0.24, '35 mm DIN rail', '0.2-6 mm2 wire', '0.01 lb', 0.74, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-FT6', 'TBK', 'LKS', 8, 'Feed-through terminal block, 6 mm2, screw clamp, grey', 'Terminal 6 mm2',
   'Docs\Panel\TBK-Terminals.pdf', 'MAT', 'TB2', 'Terminal', 1.8, 2.0, 0.32, '35 mm DIN rail', '0.5-10 mm2 wire', '0.02 lb', 1.05, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-FT10', 'TBK', 'LKS', 8, 'Feed-through terminal block, 10 mm2, screw clamp, grey', 'Terminal 10 mm2',
   'Docs\Panel\TBK-Terminals.pdf', 'MAT', 'TB2', 'Terminal', 1.9, 2.1, 0.4, '35 mm DIN rail', '1.5-16 mm2 wire', '0.03 lb', 1.48, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-GND25', 'TBK', 'LKS', 8, 'Ground terminal block, 2.5 mm2, green/yellow', 'Ground terminal 2.5 mm2',
   'Docs\Panel\TBK-Terminals.pdf', 'MAG', 'TB2', 'Ground terminal', 1.7, 1.9, 0.2, '35 mm DIN rail', '0.2-4 mm2 wire', '0.02 lb', 2.9, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-GND4', 'TBK', 'LKS', 8, 'Ground terminal block, 4 mm2, green/yellow', 'Ground terminal 4 mm2',
   'Docs\Panel\TBK-Terminals.pdf', 'MAG', 'TB2', 'Ground terminal', 1.7, 1.9, 0.24, '35 mm DIN rail', '0.2-6 mm2 wire', '0.02 lb', 3.2, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-FU520', 'TBK', 'LKS', 8, 'Fuse terminal block for 5 x 20 mm fuses, hinged', 'Fuse terminal 5 x 20',
   'Docs\Panel\TBK-Terminals.pdf', 'MAF', 'TBF', 'Fuse terminal', 2.3, 2.6, 0.32, '35 mm DIN rail', '5 x 20 mm fuse', '0.03 lb', 4.75, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-FU520-L24', 'TBK', 'LKS', 8, 'Fuse terminal block for 5 x 20 mm fuses, blown-fuse LED 24 V', 'Fuse terminal with LED',
   'Docs\Panel\TBK-Terminals.pdf', 'MAF', 'TBF', 'Fuse terminal', 2.3, 2.6, 0.32, '35 mm DIN rail', '5 x 20 mm fuse', '0.03 lb', 6.4, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-DK25', 'TBK', 'LKS', 8, 'Knife disconnect terminal block, 2.5 mm2, orange', 'Disconnect terminal',
   'Docs\Panel\TBK-Terminals.pdf', 'MAD', 'TB2', 'Disconnect terminal', 1.9, 2.2, 0.2, '35 mm DIN rail', '0.2-4 mm2 wire', '0.02 lb', 3.85, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-2L25', 'TBK', 'LKS', 8, 'Double-level terminal block, 2.5 mm2, grey', 'Two-level terminal',
   'Docs\Panel\TBK-Terminals.pdf', 'MAT', 'TB4', 'Terminal', 2.3, 2.4, 0.2, '35 mm DIN rail', '0.2-4 mm2 wire', '0.02 lb', 1.9, 0, 'TERM-BLK', 'Terminal'),
  ('TBK-EP25', 'TBK', 'LKS', 8, 'End plate for 2.5-4 mm2 terminal blocks', 'End plate',
   'Docs\Panel\TBK-Terminals.pdf', 'MAA', NULL, 'Terminal accessory', 1.7, 1.9, 0.06, '35 mm DIN rail', NULL, NULL, 0.35, 0, 'TERM-ACC', 'Terminal'),
  ('TBK-EC35', 'TBK', 'LKS', 8, 'End clamp for 35 mm DIN rail, screwless', 'End clamp',
   'Docs\Panel\TBK-Terminals.pdf', 'MAA', NULL, 'Terminal accessory', 1.3, 1.4, 0.4, '35 mm DIN rail', NULL, NULL, 0.55, 0, 'TERM-ACC', 'Terminal'),
  ('TBK-JMP2', 'TBK', 'LKS', 8, 'Plug-in bridge jumper, 2 poles, 2.5 mm2 blocks', 'Jumper 2-pole',
   'Docs\Panel\TBK-Terminals.pdf', 'MAA', NULL, 'Terminal accessory', 0.3, 0.8, 0.4, NULL, NULL, NULL, 0.4, 0, 'TERM-ACC', 'Terminal'),
  ('TBK-JMP10', 'TBK', 'LKS', 8, 'Plug-in bridge jumper, 10 poles, 2.5 mm2 blocks, cut to length', 'Jumper 10-pole',
   'Docs\Panel\TBK-Terminals.pdf', 'MAA', NULL, 'Terminal accessory', NULL, 0.8, 2.0, NULL, NULL, NULL, 1.6, 0, 'TERM-ACC', 'Terminal'),
  ('TBK-MRK10', 'TBK', 'LKS', 8, 'Marker card, 10 strips of numbered markers 1-10', 'Marker card',
   'Docs\Panel\TBK-Terminals.pdf', 'MAA', NULL, 'Terminal accessory', NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0, 'TERM-ACC', 'Terminal'),
  ('TBK-DIN35-1M', 'TBK', 'LKS', 8, 'DIN rail 35 x 7.5 mm, slotted steel, 1 m', 'DIN rail 1 m',
   'Docs\Panel\TBK-Rail.pdf', 'MAR', NULL, 'DIN rail', 0.3, 1.4, 39.4, NULL, NULL, '0.6 lb', 6.9, 0, 'DIN-RAIL', 'Terminal'),
  ('TBK-DIN35-2M', 'TBK', 'LKS', 8, 'DIN rail 35 x 7.5 mm, slotted steel, 2 m', 'DIN rail 2 m',
   'Docs\Panel\TBK-Rail.pdf', 'MAR', NULL, 'DIN rail', 0.3, 1.4, 78.7, NULL, NULL, '1.2 lb', 12.5, 0, 'DIN-RAIL', 'Terminal'),
  ('TBK-DUCT-2X3', 'TBK', 'LKS', 8, 'Slotted wiring duct 2 x 3 in. with cover, 2 m', 'Wiring duct 2 x 3',
   'Docs\Panel\TBK-Rail.pdf', 'MAR', NULL, 'Wiring duct', 3.0, 2.0, 78.7, NULL, NULL, '2.1 lb', 18.0, 0, 'DIN-RAIL', 'Terminal'),
  ('TBK-EN1-1212', 'TBK', 'NGT', 8, 'Enclosure NEMA 1, 12 x 12 x 4 in., hinged door, with subpanel', 'Enclosure 12 x 12 NEMA 1',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 4.0, 12.0, 12.0, 'Four 1/4 in. holes', 'Knockouts 1/2 and 3/4 in.', '9 lb', 96.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-EN1-1616', 'TBK', 'NGT', 8, 'Enclosure NEMA 1, 16 x 16 x 6 in., hinged door, with subpanel', 'Enclosure 16 x 16 NEMA 1',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 6.0, 16.0, 16.0, 'Four 1/4 in. holes', 'Knockouts 1/2 and 3/4 in.', '15 lb', 142.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-EN1-2020', 'TBK', 'NGT', 8, 'Enclosure NEMA 1, 20 x 20 x 6 in., hinged door, with subpanel', 'Enclosure 20 x 20 NEMA 1',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 6.0, 20.0, 20.0, 'Four 1/4 in. holes', 'Knockouts 1/2 and 3/4 in.', '22 lb', 188.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-EN1-2424', 'TBK', 'NGT', 8, 'Enclosure NEMA 1, 24 x 24 x 8 in., hinged door, with subpanel', 'Enclosure 24 x 24 NEMA 1',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 8.0, 24.0, 24.0, 'Four 5/16 in. holes', 'Knockouts 1/2, 3/4 and 1 in.', '31 lb', 246.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-EN4-1210', 'TBK', 'NGT', 8, 'Enclosure NEMA 4, 12 x 10 x 6 in., gasketed, with subpanel', 'Enclosure 12 x 10 NEMA 4',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 6.0, 12.0, 10.0, 'External mounting feet', 'No knockouts', '12 lb', 174.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-EN4-1614', 'TBK', 'NGT', 8, 'Enclosure NEMA 4, 16 x 14 x 6 in., gasketed, with subpanel', 'Enclosure 16 x 14 NEMA 4',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 6.0, 16.0, 14.0, 'External mounting feet', 'No knockouts', '18 lb', 236.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-EN4-2016', 'TBK', 'NGT', 8, 'Enclosure NEMA 4, 20 x 16 x 8 in., gasketed, with subpanel', 'Enclosure 20 x 16 NEMA 4',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAE', NULL, 'Enclosure', 8.0, 20.0, 16.0, 'External mounting feet', 'No knockouts', '26 lb', 318.0, 0, 'ENCL', 'Enclosure'),
  ('TBK-LOCK-CAM', 'TBK', 'NGT', 8, 'Quarter-turn cam lock kit for NEMA 1 enclosures, keyed alike', 'Cam lock kit',
   'Docs\Panel\TBK-Enclosures.pdf', 'MAA', NULL, 'Enclosure accessory', 1.5, 1.0, 1.0, NULL, NULL, '0.2 lb', 14.0, 0, 'ENCL', 'Enclosure');

-- ---- Software licences (listed through the part-properties database) ------------------------

WITH sw (Pn, Descr, Short, Price) AS (VALUES
    ('ASM4-B100', 'Avalon Site Manager 4 base package, 100 points', 'Site Manager 4, 100 points', 1950.0),
    ('ASM4-B500', 'Avalon Site Manager 4 base package, 500 points', 'Site Manager 4, 500 points', 4450.0),
    ('ASM4-B2500', 'Avalon Site Manager 4 base package, 2,500 points', 'Site Manager 4, 2,500 points', 9800.0),
    ('ASM4-BUNL', 'Avalon Site Manager 4 base package, unlimited points', 'Site Manager 4, unlimited', 24500.0),
    ('ASM4-OPT-GRAPH', 'Site Manager 4 option: graphics editor', 'Graphics editor', 1250.0),
    ('ASM4-OPT-TREND', 'Site Manager 4 option: trend archiving to SQL server', 'Trend archiving', 1495.0),
    ('ASM4-OPT-ALARM', 'Site Manager 4 option: alarm e-mail and text notification', 'Alarm notification', 795.0),
    ('ASM4-OPT-SCHED', 'Site Manager 4 option: enterprise scheduling', 'Enterprise scheduling', 650.0),
    ('ASM4-OPT-REPORT', 'Site Manager 4 option: report designer', 'Report designer', 895.0),
    ('ASM4-OPT-WEB5', 'Site Manager 4 option: 5 concurrent web clients', 'Web clients, 5', 1100.0),
    ('ASM4-OPT-WEB25', 'Site Manager 4 option: 25 concurrent web clients', 'Web clients, 25', 3900.0),
    ('ASM4-OPT-API', 'Site Manager 4 option: REST data interface', 'REST interface', 2250.0),
    ('AWO2-B10', 'Avalon Web Operator 2 base package, 10 named users', 'Web Operator 2, 10 users', 1450.0),
    ('AWO2-B50', 'Avalon Web Operator 2 base package, 50 named users', 'Web Operator 2, 50 users', 3950.0),
    ('AWO2-BUNL', 'Avalon Web Operator 2 base package, unlimited users', 'Web Operator 2, unlimited', 8900.0),
    ('AWO2-OPT-MOBILE', 'Web Operator 2 option: mobile app access', 'Mobile access', 600.0),
    ('AWO2-OPT-SSO', 'Web Operator 2 option: single sign-on', 'Single sign-on', 950.0),
    ('AWO2-OPT-KIOSK', 'Web Operator 2 option: public kiosk dashboards', 'Kiosk dashboards', 450.0),
    ('AWO2-OPT-FLOOR', 'Web Operator 2 option: floor plan navigation', 'Floor plans', 700.0),
    ('AET3-BASE', 'Avalon Engineering Tool 3, single-seat licence', 'Engineering Tool 3', 1200.0),
    ('AET3-BASE-NET', 'Avalon Engineering Tool 3, 5-seat network licence', 'Engineering Tool 3, network', 4800.0),
    ('AET3-OPT-LIB', 'Engineering Tool 3 option: application library pack', 'Application library', 850.0),
    ('AET3-OPT-SIM', 'Engineering Tool 3 option: controller simulator', 'Controller simulator', 1150.0),
    ('AER-B50', 'Avalon Energy Reporter base package, 50 meters', 'Energy Reporter, 50 meters', 2750.0),
    ('AER-B250', 'Avalon Energy Reporter base package, 250 meters', 'Energy Reporter, 250 meters', 6200.0),
    ('AER-OPT-UTIL', 'Energy Reporter option: utility bill import', 'Utility bill import', 990.0),
    ('AER-OPT-CARBON', 'Energy Reporter option: carbon reporting', 'Carbon reporting', 1290.0),
    ('AVL-DRV-BACIP', 'Protocol driver: BACnet/IP client and server', 'BACnet/IP driver', 1500.0),
    ('AVL-DRV-BACMS', 'Protocol driver: BACnet MS/TP, per trunk', 'BACnet MS/TP driver', 750.0),
    ('AVL-DRV-MODTCP', 'Protocol driver: Modbus TCP master', 'Modbus TCP driver', 900.0),
    ('AVL-DRV-MODRTU', 'Protocol driver: Modbus RTU master, per port', 'Modbus RTU driver', 650.0),
    ('AVL-DRV-LON', 'Protocol driver: LonWorks over IP-852', 'LonWorks driver', 1850.0),
    ('AVL-DRV-SNMP', 'Protocol driver: SNMP v2c/v3 manager', 'SNMP driver', 1100.0),
    ('AVL-DRV-OPCUA', 'Protocol driver: OPC UA client', 'OPC UA driver', 2400.0),
    ('AVL-DRV-MBUS', 'Protocol driver: M-Bus meter reading', 'M-Bus driver', 1050.0),
    ('AVL-DRV-USB', 'Programming driver: controller USB service port', 'USB service driver', 0.0),
    ('AVL-DRV-SERIAL', 'Protocol driver: legacy serial trunk (RS-232 dial-out)', 'Legacy serial driver', 450.0))
INSERT INTO stage (MfgPartNumber, Mfg, Vendor, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, SoccAsType, MfgListPrice, SoccIOType)
SELECT Pn, 'AVL', 'DIR', 9, Descr, Short, 'Docs\Software\' || substr(Pn, 1, instr(Pn, '-') - 1) || '.pdf',
  'SW', 'Software licence', Price, NULL
FROM sw;

-- ---------------------------------------------------------------------------------------------
-- Write the catalogue from the scratch rows
-- ---------------------------------------------------------------------------------------------

INSERT INTO tblParts (MfgPartNumber, MfgID, VendorID, FamilyID, Description, DescriptionShort, PDF,
  SoccBitmap, SoccTermAmt,
  SoccTerm1, SoccTerm2, SoccTerm3, SoccTerm4, SoccTerm5, SoccTerm6, SoccTerm7, SoccTerm8,
  SoccTerm9, SoccTerm10, SoccTerm11, SoccTerm12, SoccTerm13, SoccTerm14, SoccTerm15, SoccTerm16,
  SoccTerm17, SoccTerm18, SoccTerm19, SoccTerm20,
  SoccAsType, SoccVlvActSR, PhysDepth, PhysHeight, PhysWidth, SoccD4, SoccD5, SoccD6,
  MfgListPrice, SoccIOType, Discontinued)
SELECT s.MfgPartNumber, m.MfgID, v.VendorID, s.FamilyID, s.Description, s.DescriptionShort, s.PDF,
  s.SoccBitmap,
  CASE WHEN l.LabelSet IS NULL AND s.Term20 IS NULL THEN NULL
       ELSE CAST(coalesce(l.Amt, 0) + (s.Term20 IS NOT NULL) AS TEXT) END,
  l.T1, l.T2, l.T3, l.T4, l.T5, l.T6, l.T7, l.T8, l.T9, l.T10,
  l.T11, l.T12, l.T13, l.T14, l.T15, l.T16, l.T17, l.T18, l.T19, coalesce(s.Term20, l.T20),
  s.SoccAsType, s.SoccVlvActSR, s.PhysDepth, s.PhysHeight, s.PhysWidth, s.SoccD4, s.SoccD5, s.SoccD6,
  s.MfgListPrice, s.SoccIOType, s.Discontinued
FROM stage AS s
  JOIN tblManufacturers AS m ON m.MfgCode = s.Mfg
  LEFT JOIN tblVendors AS v ON v.VendorCode = s.Vendor
  LEFT JOIN lblset AS l ON l.LabelSet = s.LabelSet
ORDER BY s.rowid;

INSERT INTO Pz_PartsEng_PartItemCodes (PartNumber, EngineeringItemCode, EngineeringPartType, IsController)
SELECT MfgPartNumber, ItemCode, PartType, IsController FROM stage WHERE ItemCode IS NOT NULL ORDER BY rowid;

-- Engineering rows that do not line up with the catalogue one for one.
INSERT INTO Pz_PartsEng_PartItemCodes (PartNumber, EngineeringItemCode, EngineeringPartType, IsController) VALUES
  ('CS-1100-LO', 'CS-SW', 'CS', 0),                   -- catalogue spells it cs-1100-Lo
  ('AVL-LNC1628-OLD', 'LNC-1628', 'LNC', 1),          -- superseded, no catalogue row
  ('BRP-SPARE-KIT', 'RLY-ACC', NULL, 0);              -- part type never assigned

-- Controller points. Universal inputs accept analog and digital signals; the first four inputs of
-- the network controllers also count pulses.
WITH RECURSIVE
  io (ItemCode, Prefix, Cnt, Kinds, PulseUpTo, BaseOrder) AS (VALUES
    ('GCM-2000', 'UI', 4, '13', 0, 0), ('GCM-2000', 'DO', 2, '4', 0, 100),
    ('GCM-2400', 'UI', 8, '13', 0, 0), ('GCM-2400', 'AO', 2, '2', 0, 100), ('GCM-2400', 'DO', 4, '4', 0, 200),
    ('LNC-1628', 'UI', 16, '13', 4, 0), ('LNC-1628', 'AO', 4, '2', 0, 100), ('LNC-1628', 'DO', 8, '4', 0, 200),
    ('LNC-0804', 'UI', 8, '13', 4, 0), ('LNC-0804', 'AO', 2, '2', 0, 100), ('LNC-0804', 'DO', 4, '4', 0, 200),
    ('UC-22', 'UI', 6, '13', 0, 0), ('UC-22', 'AO', 2, '2', 0, 100), ('UC-22', 'DO', 6, '4', 0, 200),
    ('INTR-8UI', 'UI', 8, '13', 0, 0),
    ('INTR-8DO', 'DO', 8, '4', 0, 0),
    ('INTR-4AO', 'AO', 4, '2', 0, 0)),
  seq (ItemCode, Prefix, N, Cnt, Kinds, PulseUpTo, BaseOrder) AS (
    SELECT ItemCode, Prefix, 1, Cnt, Kinds, PulseUpTo, BaseOrder FROM io
    UNION ALL
    SELECT ItemCode, Prefix, N + 1, Cnt, Kinds, PulseUpTo, BaseOrder FROM seq WHERE N < Cnt),
  kinds (Kind) AS (VALUES (1), (2), (3), (4), (5))
INSERT INTO Pz_PartsEng_ItemCodePointTypes (EngineeringItemCode, PointName, IoPointTypeIndex, PointOrder)
SELECT seq.ItemCode, seq.Prefix || seq.N, kinds.Kind, seq.BaseOrder + seq.N
FROM seq JOIN kinds
  ON instr(seq.Kinds, CAST(kinds.Kind AS TEXT)) > 0 OR (kinds.Kind = 5 AND seq.N <= seq.PulseUpTo)
ORDER BY seq.ItemCode, seq.BaseOrder + seq.N, kinds.Kind;

-- The VAV controller names its points after their purpose.
INSERT INTO Pz_PartsEng_ItemCodePointTypes (EngineeringItemCode, PointName, IoPointTypeIndex, PointOrder) VALUES
  ('VAV-110', 'Space Temp', 1, 1),
  ('VAV-110', 'Setpoint Adjust', 1, 2),
  ('VAV-110', 'Airflow', 1, 3),
  ('VAV-110', 'Discharge Temp', 1, 4),
  ('VAV-110', 'Occupancy', 3, 5),
  ('VAV-110', 'Damper', 2, 101),
  ('VAV-110', 'Reheat Valve', 2, 102),
  ('VAV-110', 'Fan', 4, 201),
  ('VAV-110', 'Reheat Stage 1', 4, 202),
  ('VAV-110', 'Reheat Stage 2', 4, 203);

DROP VIEW lblset;
DROP TABLE lbl;
DROP TABLE stage;

COMMIT;
ANALYZE;
