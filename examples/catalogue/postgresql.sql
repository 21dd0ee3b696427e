-- The example catalogue's schema for PostgreSQL (15 or later), for teams that keep one catalogue
-- on a server and reach it through ODBC. Both databases of the example (parts and part
-- properties) live in one PostgreSQL database; scripts/load-catalogue-postgres.py creates this
-- schema and copies the rows of the SQLite catalogue files into it.
--
-- The library's queries and the stencils rely on the desktop engine's comparison rules. Here:
--   * text columns are bpchar with the nondeterministic ICU collation kvpw_rules.nocase:
--     '=' ignores letter case (ICU level 2) and, being bpchar, trailing blanks ('ab-1 ' = 'AB-1');
--   * LIKE with % and _ ignores ASCII letter case and does not pad, as the desktop engine's: the
--     operators ~~ and !~~ of schema kvpw_rules take pg_catalog's place through the database's
--     search_path (PostgreSQL 15 has no LIKE under nondeterministic collations). They are plain
--     SQL functions, so the planner inlines them and a lower(column) index serves a prefix;
--   * yes/no columns are boolean, so "= True" works; 16-bit integers smallint, 32-bit integer,
--     money numeric(19,4), measurements double precision.
-- Names are unquoted, so that the library's unquoted names find them (PostgreSQL folds both to
-- lower case; result columns come back in lower case, and the library reads them without regard
-- to case).

SET client_min_messages = warning;
CREATE SCHEMA IF NOT EXISTS kvpw_rules;
CREATE COLLATION IF NOT EXISTS kvpw_rules.nocase
  (provider = icu, locale = 'und-u-ks-level2', deterministic = false);

-- The text is cast to text (which drops bpchar's trailing blanks) only for the stored value; the
-- pattern keeps its own, so 'ab ' LIKE 'ab' holds and 'ab' LIKE 'ab ' does not.
CREATE OR REPLACE FUNCTION kvpw_rules.like_nocase(bpchar, text) RETURNS boolean
  LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
  AS $$ SELECT lower($1::text COLLATE "C") LIKE lower($2 COLLATE "C") $$;
CREATE OR REPLACE FUNCTION kvpw_rules.not_like_nocase(bpchar, text) RETURNS boolean
  LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
  AS $$ SELECT lower($1::text COLLATE "C") NOT LIKE lower($2 COLLATE "C") $$;
DROP OPERATOR IF EXISTS kvpw_rules.~~ (bpchar, text);
DROP OPERATOR IF EXISTS kvpw_rules.!~~ (bpchar, text);
CREATE OPERATOR kvpw_rules.~~ (LEFTARG = bpchar, RIGHTARG = text,
  FUNCTION = kvpw_rules.like_nocase, NEGATOR = OPERATOR(kvpw_rules.!~~));
CREATE OPERATOR kvpw_rules.!~~ (LEFTARG = bpchar, RIGHTARG = text,
  FUNCTION = kvpw_rules.not_like_nocase, NEGATOR = OPERATOR(kvpw_rules.~~));

-- Every connection to this database finds the operators above before pg_catalog's.
DO $$ BEGIN
  EXECUTE format('ALTER DATABASE %I SET search_path = kvpw_rules, public, pg_catalog',
                 current_database());
END $$;
SET search_path = kvpw_rules, public, pg_catalog;

DROP VIEW IF EXISTS public.qrySoccParts;
DROP TABLE IF EXISTS public.Pz_PartsEng_ItemCodePointTypes, public.Pz_PartsEng_PartItemCodes,
  public.tblParts, public.tblIOTypes, public.tblPartFamilies, public.tblVendors,
  public.tblManufacturers, public.tblDrivers, public.tblOptions, public.tblBasePackages,
  public.tblDeliveryCodes, public.tblSoftware;

-- ---------------------------------------------------------------------------------------------
-- The parts database
-- ---------------------------------------------------------------------------------------------

CREATE TABLE public.tblManufacturers (
  MfgID integer PRIMARY KEY,
  MfgCode bpchar COLLATE kvpw_rules.nocase NOT NULL UNIQUE,
  MfgName bpchar COLLATE kvpw_rules.nocase NOT NULL,
  WebSite bpchar COLLATE kvpw_rules.nocase,
  Country bpchar COLLATE kvpw_rules.nocase
);

CREATE TABLE public.tblVendors (
  VendorID integer PRIMARY KEY,
  VendorCode bpchar COLLATE kvpw_rules.nocase NOT NULL UNIQUE,
  VendorName bpchar COLLATE kvpw_rules.nocase NOT NULL,
  City bpchar COLLATE kvpw_rules.nocase,
  Phone bpchar COLLATE kvpw_rules.nocase,
  IsPreferred boolean NOT NULL DEFAULT false
);

CREATE TABLE public.tblPartFamilies (
  FamilyID smallint PRIMARY KEY,
  FamilyName bpchar COLLATE kvpw_rules.nocase NOT NULL,
  DocFolder bpchar COLLATE kvpw_rules.nocase
);

CREATE TABLE public.tblIOTypes (
  IoPointTypeIndex smallint PRIMARY KEY,
  IoTypeCode bpchar COLLATE kvpw_rules.nocase NOT NULL,
  IoTypeName bpchar COLLATE kvpw_rules.nocase NOT NULL
);

CREATE TABLE public.tblParts (
  PartID integer PRIMARY KEY,
  MfgPartNumber bpchar COLLATE kvpw_rules.nocase NOT NULL,
  MfgID integer NOT NULL REFERENCES public.tblManufacturers (MfgID),
  VendorID integer REFERENCES public.tblVendors (VendorID),
  FamilyID smallint NOT NULL REFERENCES public.tblPartFamilies (FamilyID),
  Description bpchar COLLATE kvpw_rules.nocase,
  DescriptionShort bpchar COLLATE kvpw_rules.nocase,
  PDF bpchar COLLATE kvpw_rules.nocase,
  SoccBitmap bpchar COLLATE kvpw_rules.nocase,
  SoccTermAmt bpchar COLLATE kvpw_rules.nocase,
  SoccTerm1 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm2 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm3 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm4 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm5 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm6 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm7 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm8 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm9 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm10 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm11 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm12 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm13 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm14 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm15 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm16 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm17 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm18 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm19 bpchar COLLATE kvpw_rules.nocase,
  SoccTerm20 bpchar COLLATE kvpw_rules.nocase,
  SoccAsType bpchar COLLATE kvpw_rules.nocase,
  SoccVlvActSR bpchar COLLATE kvpw_rules.nocase,
  PhysDepth double precision,
  PhysHeight double precision,
  PhysWidth double precision,
  SoccD4 bpchar COLLATE kvpw_rules.nocase,
  SoccD5 bpchar COLLATE kvpw_rules.nocase,
  SoccD6 bpchar COLLATE kvpw_rules.nocase,
  MfgListPrice numeric(19, 4),
  SoccIOType smallint REFERENCES public.tblIOTypes (IoPointTypeIndex),
  Discontinued boolean NOT NULL DEFAULT false
);

CREATE TABLE public.Pz_PartsEng_PartItemCodes (
  ID integer PRIMARY KEY,
  PartNumber bpchar COLLATE kvpw_rules.nocase NOT NULL,
  EngineeringItemCode bpchar COLLATE kvpw_rules.nocase,
  EngineeringPartType bpchar COLLATE kvpw_rules.nocase,
  IsController boolean NOT NULL DEFAULT false
);

CREATE TABLE public.Pz_PartsEng_ItemCodePointTypes (
  ID integer PRIMARY KEY,
  EngineeringItemCode bpchar COLLATE kvpw_rules.nocase NOT NULL,
  PointName bpchar COLLATE kvpw_rules.nocase NOT NULL,
  IoPointTypeIndex smallint NOT NULL REFERENCES public.tblIOTypes (IoPointTypeIndex),
  PointOrder smallint NOT NULL
);

-- Keyed look-ups ('=') search these under the columns' own collation; the lower(...) ones serve
-- LIKE patterns with a fixed start.
CREATE UNIQUE INDEX ixParts_MfgPartNumber ON public.tblParts (MfgPartNumber);
CREATE INDEX ixParts_MfgPartNumber_Like ON public.tblParts (lower(MfgPartNumber::text COLLATE "C"));
CREATE INDEX ixParts_MfgID ON public.tblParts (MfgID);
CREATE INDEX ixParts_VendorID ON public.tblParts (VendorID);
CREATE INDEX ixParts_FamilyID ON public.tblParts (FamilyID);
CREATE INDEX ixPartItemCodes_PartNumber ON public.Pz_PartsEng_PartItemCodes (PartNumber);
CREATE INDEX ixPartItemCodes_ItemCode ON public.Pz_PartsEng_PartItemCodes (EngineeringItemCode);
CREATE INDEX ixPartItemCodes_ItemCode_Like
  ON public.Pz_PartsEng_PartItemCodes (lower(EngineeringItemCode::text COLLATE "C"));
CREATE INDEX ixPartItemCodes_IsController ON public.Pz_PartsEng_PartItemCodes (IsController);
CREATE INDEX ixItemCodePointTypes_ItemCode
  ON public.Pz_PartsEng_ItemCodePointTypes (EngineeringItemCode, PointName, IoPointTypeIndex);

-- The stored query the dialogs read: one row per current part, maker and vendor spelled out,
-- list price also as display text ($1,234.50), whole cents first so that rounding cannot carry
-- into a "100" cents field.
CREATE VIEW public.qrySoccParts AS
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
  CASE WHEN p.MfgListPrice IS NULL THEN NULL
       ELSE '$' || to_char(c.cents / 100, 'FM999,999,999,999,990') || '.'
                || lpad((c.cents % 100)::text, 2, '0')
  END AS MfgListPriceFmt,
  p.SoccIOType,
  f.FamilyName
FROM public.tblParts AS p
  CROSS JOIN LATERAL (SELECT round(p.MfgListPrice * 100)::bigint AS cents) AS c
  INNER JOIN public.tblPartFamilies AS f ON f.FamilyID = p.FamilyID
  LEFT JOIN public.tblManufacturers AS m ON m.MfgID = p.MfgID
  LEFT JOIN public.tblVendors AS v ON v.VendorID = p.VendorID
WHERE p.Discontinued = False;

-- ---------------------------------------------------------------------------------------------
-- The part-properties database
-- ---------------------------------------------------------------------------------------------

CREATE TABLE public.tblSoftware (
  lngSoftID integer PRIMARY KEY,
  strSoftName bpchar COLLATE kvpw_rules.nocase NOT NULL,
  strVersion bpchar COLLATE kvpw_rules.nocase,
  boolActive boolean NOT NULL DEFAULT true
);

CREATE TABLE public.tblDeliveryCodes (
  strDelCode bpchar COLLATE kvpw_rules.nocase PRIMARY KEY,
  strDelDescription bpchar COLLATE kvpw_rules.nocase NOT NULL
);

CREATE TABLE public.tblBasePackages (
  lngBasePackageID integer PRIMARY KEY,
  lngSoftID integer NOT NULL REFERENCES public.tblSoftware (lngSoftID),
  strBasePackage bpchar COLLATE kvpw_rules.nocase NOT NULL,
  strDescription bpchar COLLATE kvpw_rules.nocase,
  lngMaxPoints integer,
  intMaxUsers smallint
);

CREATE TABLE public.tblOptions (
  lngOptionID integer PRIMARY KEY,
  lngSoftID integer NOT NULL REFERENCES public.tblSoftware (lngSoftID),
  strOption bpchar COLLATE kvpw_rules.nocase NOT NULL,
  strDescription bpchar COLLATE kvpw_rules.nocase,
  intDisplayOrder smallint NOT NULL DEFAULT 0,
  boolRecommended boolean NOT NULL DEFAULT false
);

CREATE TABLE public.tblDrivers (
  lngDriverID integer PRIMARY KEY,
  lngSoftID integer NOT NULL REFERENCES public.tblSoftware (lngSoftID),
  strDriver bpchar COLLATE kvpw_rules.nocase NOT NULL,
  strDelCode bpchar COLLATE kvpw_rules.nocase NOT NULL
    REFERENCES public.tblDeliveryCodes (strDelCode),
  strProtocol bpchar COLLATE kvpw_rules.nocase,
  intMaxDevices smallint
);

CREATE INDEX ixBasePackages_SoftID ON public.tblBasePackages (lngSoftID, strBasePackage);
CREATE INDEX ixOptions_SoftID ON public.tblOptions (lngSoftID, intDisplayOrder, strOption);
CREATE INDEX ixDrivers_SoftID ON public.tblDrivers (lngSoftID, strDriver);
