-- Example part-properties database: for each software product (lngSoftID), the licence part
-- numbers that make it up: base packages, options and protocol drivers. The part numbers are
-- catalogue parts of the parts database, where their descriptions and prices live.
--
-- Same conventions as the parts database: TEXT COLLATE NOCASE for every text column, BOOLEAN
-- holding 1 or 0, SMALLINT for 16-bit and INTEGER for 32-bit integers.
--
-- Build: sqlite3 partprops.mdb < partprops.sql

PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE tblSoftware (
  lngSoftID INTEGER PRIMARY KEY,
  strSoftName TEXT COLLATE NOCASE NOT NULL,
  strVersion TEXT COLLATE NOCASE,
  boolActive BOOLEAN NOT NULL DEFAULT 1
);

-- How a licence reaches the customer.
CREATE TABLE tblDeliveryCodes (
  strDelCode TEXT COLLATE NOCASE PRIMARY KEY,
  strDelDescription TEXT COLLATE NOCASE NOT NULL
);

CREATE TABLE tblBasePackages (
  lngBasePackageID INTEGER PRIMARY KEY,
  lngSoftID INTEGER NOT NULL REFERENCES tblSoftware (lngSoftID),
  strBasePackage TEXT COLLATE NOCASE NOT NULL,
  strDescription TEXT COLLATE NOCASE,
  lngMaxPoints INTEGER,
  intMaxUsers SMALLINT
);

CREATE TABLE tblOptions (
  lngOptionID INTEGER PRIMARY KEY,
  lngSoftID INTEGER NOT NULL REFERENCES tblSoftware (lngSoftID),
  strOption TEXT COLLATE NOCASE NOT NULL,
  strDescription TEXT COLLATE NOCASE,
  intDisplayOrder SMALLINT NOT NULL DEFAULT 0,
  boolRecommended BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE tblDrivers (
  lngDriverID INTEGER PRIMARY KEY,
  lngSoftID INTEGER NOT NULL REFERENCES tblSoftware (lngSoftID),
  strDriver TEXT COLLATE NOCASE NOT NULL,
  strDelCode TEXT COLLATE NOCASE NOT NULL REFERENCES tblDeliveryCodes (strDelCode),
  strProtocol TEXT COLLATE NOCASE,
  intMaxDevices SMALLINT
);

CREATE INDEX ixBasePackages_SoftID ON tblBasePackages (lngSoftID, strBasePackage);
CREATE INDEX ixOptions_SoftID ON tblOptions (lngSoftID, intDisplayOrder, strOption);
CREATE INDEX ixDrivers_SoftID ON tblDrivers (lngSoftID, strDriver);

INSERT INTO tblSoftware (lngSoftID, strSoftName, strVersion, boolActive) VALUES
  (-1, 'Legacy drivers (all products)', NULL, 0),
  (7, 'Avalon Site Manager', '4.2', 1),
  (12, 'Avalon Engineering Tool', '3.1', 1),
  (42, 'Avalon Web Operator', '2.0', 1),
  (57, 'Avalon Energy Reporter', '1.5', 1);

INSERT INTO tblDeliveryCodes (strDelCode, strDelDescription) VALUES
  ('1', 'Electronic delivery (licence key by e-mail)'),
  ('2', 'Media kit shipped'),
  ('3', 'Factory installed on workstation');

INSERT INTO tblBasePackages (lngSoftID, strBasePackage, strDescription, lngMaxPoints, intMaxUsers) VALUES
  (7, 'ASM4-B100', 'Site Manager base, 100 points', 100, 2),
  (7, 'ASM4-B500', 'Site Manager base, 500 points', 500, 5),
  (7, 'ASM4-B2500', 'Site Manager base, 2,500 points', 2500, 10),
  (7, 'ASM4-BUNL', 'Site Manager base, unlimited points', NULL, 25),
  (12, 'AET3-BASE', 'Engineering Tool, single seat', NULL, 1),
  (12, 'AET3-BASE-NET', 'Engineering Tool, 5-seat network', NULL, 5),
  (42, 'AWO2-B10', 'Web Operator base, 10 named users', NULL, 10),
  (42, 'AWO2-B50', 'Web Operator base, 50 named users', NULL, 50),
  (42, 'AWO2-BUNL', 'Web Operator base, unlimited users', NULL, NULL),
  (57, 'AER-B250', 'Energy Reporter base, 250 meters', 250, 10),
  (57, 'AER-B50', 'Energy Reporter base, 50 meters', 50, 5);

-- Options show in display order; equal orders fall back to the option's part number.
INSERT INTO tblOptions (lngSoftID, strOption, strDescription, intDisplayOrder, boolRecommended) VALUES
  (7, 'ASM4-OPT-GRAPH', 'Graphics editor', 10, 1),
  (7, 'ASM4-OPT-TREND', 'Trend archiving', 20, 1),
  (7, 'ASM4-OPT-ALARM', 'Alarm notification', 20, 0),
  (7, 'ASM4-OPT-SCHED', 'Enterprise scheduling', 30, 0),
  (7, 'ASM4-OPT-REPORT', 'Report designer', 40, 0),
  (7, 'ASM4-OPT-WEB25', 'Web clients, 25', 50, 0),
  (7, 'ASM4-OPT-WEB5', 'Web clients, 5', 50, 0),
  (7, 'ASM4-OPT-API', 'REST data interface', 60, 0),
  (7, 'ASM4-OPT-FAX', 'Alarm fax (retired, no longer in the catalogue)', 90, 0),
  (12, 'AET3-OPT-LIB', 'Application library pack', 10, 1),
  (12, 'AET3-OPT-SIM', 'Controller simulator', 20, 0),
  (42, 'awo2-opt-sso', 'Single sign-on', 10, 0),
  (42, 'AWO2-OPT-MOBILE', 'Mobile access', 20, 1),
  (42, 'AWO2-OPT-FLOOR', 'Floor plans', 20, 0),
  (42, 'AWO2-OPT-KIOSK', 'Kiosk dashboards', 30, 0),
  (42, 'ASM4-OPT-ALARM', 'Alarm notification (shared with Site Manager)', 40, 0),
  (57, 'AER-OPT-UTIL', 'Utility bill import', 10, 1),
  (57, 'AER-OPT-CARBON', 'Carbon reporting', 20, 0),
  (57, 'ASM4-OPT-REPORT', 'Report designer (shared with Site Manager)', 30, 0);

-- A driver offered by more than one delivery route has one row per route.
INSERT INTO tblDrivers (lngSoftID, strDriver, strDelCode, strProtocol, intMaxDevices) VALUES
  (7, 'AVL-DRV-BACIP', '1', 'BACnet/IP', 5000),
  (7, 'AVL-DRV-BACIP', '2', 'BACnet/IP', 5000),
  (7, 'AVL-DRV-BACMS', '1', 'BACnet MS/TP', 127),
  (7, 'AVL-DRV-MODTCP', '1', 'Modbus TCP', 247),
  (7, 'AVL-DRV-MODRTU', '1', 'Modbus RTU', 247),
  (7, 'AVL-DRV-MODRTU', '2', 'Modbus RTU', 247),
  (7, 'AVL-DRV-LON', '2', 'LonWorks IP-852', 1000),
  (7, 'AVL-DRV-SNMP', '1', 'SNMP', 500),
  (7, 'AVL-DRV-OPCUA', '3', 'OPC UA', NULL),
  (12, 'AVL-DRV-USB', '1', 'USB service port', 1),
  (12, 'AVL-DRV-USB', '3', 'USB service port', 1),
  (12, 'AVL-DRV-BACMS', '1', 'BACnet MS/TP', 127),
  (42, 'AVL-DRV-BACIP', '1', 'BACnet/IP', 5000),
  (42, 'AVL-DRV-MODTCP', '1', 'Modbus TCP', 247),
  (57, 'AVL-DRV-MBUS', '1', 'M-Bus', 250),
  (57, 'AVL-DRV-MBUS', '2', 'M-Bus', 250),
  (57, 'AVL-DRV-MODTCP', '1', 'Modbus TCP', 247),
  (57, 'AVL-DRV-BACIP', '3', 'BACnet/IP', 5000),
  (-1, 'AVL-DRV-SERIAL', '2', 'RS-232 dial-out', 32),
  (-1, 'AVL-DRV-N2', '2', 'N2 bus (retired, no longer in the catalogue)', 100);

COMMIT;
ANALYZE;
