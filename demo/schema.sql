-- Schema of the practice base (zelvano.mdb): the tables the synchronisation module reads and
-- writes, as the practice application creates them. Identifiers are plain integer keys that the
-- application numbers itself; only synchro.id is numbered by the base. Every practice base, the
-- server's and its local copies, has these columns in this order: the synchronisation copies
-- records field by field, by position.

CREATE TABLE patient (
    identifiant INTEGER PRIMARY KEY,
    numdossier TEXT DEFAULT '',
    nom TEXT NOT NULL DEFAULT '',
    prenom TEXT DEFAULT '',
    sexe TEXT DEFAULT '',
    datenaissance DATE,
    adresse TEXT DEFAULT '',
    codepostal TEXT DEFAULT '',
    ville TEXT DEFAULT '',
    telephone TEXT DEFAULT '',
    medecintraitant TEXT DEFAULT '',
    observations TEXT,
    datecreation DATETIME,
    actif INTEGER DEFAULT 1
);

CREATE TABLE consultation (
    identconsultation INTEGER PRIMARY KEY,
    identifiant INTEGER DEFAULT 0,
    dateconsultation DATETIME,
    motif TEXT DEFAULT '',
    texte TEXT,
    conclusion TEXT DEFAULT '',
    montant REAL DEFAULT 0
);
CREATE INDEX consultation_identifiant ON consultation (identifiant);

CREATE TABLE ordonnance (
    identordonnance INTEGER PRIMARY KEY,
    identifiant INTEGER DEFAULT 0,
    identconsultation INTEGER DEFAULT 0,
    dateordonnance DATETIME,
    texte TEXT,
    renouvelable INTEGER DEFAULT 0
);
CREATE INDEX ordonnance_identifiant ON ordonnance (identifiant);

CREATE TABLE courrier (
    identcourrier INTEGER PRIMARY KEY,
    identifiant INTEGER DEFAULT 0,
    datecourrier DATETIME,
    destinataire TEXT DEFAULT '',
    objet TEXT DEFAULT '',
    nomfichier TEXT
);
CREATE INDEX courrier_identifiant ON courrier (identifiant);

CREATE TABLE cro (
    identcro INTEGER PRIMARY KEY,
    identifiant INTEGER DEFAULT 0,
    datecro DATETIME,
    intervention TEXT DEFAULT '',
    operateur TEXT DEFAULT '',
    nomfichier TEXT
);
CREATE INDEX cro_identifiant ON cro (identifiant);

CREATE TABLE correspondance (
    identcorrespondance INTEGER PRIMARY KEY,
    identifiant INTEGER DEFAULT 0,
    datecorrespondance DATETIME,
    expediteur TEXT DEFAULT '',
    objet TEXT DEFAULT '',
    nomfichier TEXT
);
CREATE INDEX correspondance_identifiant ON correspondance (identifiant);

CREATE TABLE objet (
    identobjet INTEGER PRIMARY KEY,
    identpatient INTEGER DEFAULT 0,
    attachobjet TEXT DEFAULT '',
    identattach INTEGER DEFAULT 0,
    typeobjet TEXT DEFAULT '',
    nomfichier TEXT,
    libelle TEXT DEFAULT '',
    datecreation DATETIME
);
CREATE INDEX objet_identpatient ON objet (identpatient);

CREATE TABLE typeobjet (
    typeobjet TEXT NOT NULL,
    nomecran TEXT NOT NULL,
    modegestion TEXT,
    extension TEXT,
    libelle TEXT DEFAULT ''
);
CREATE UNIQUE INDEX typeobjet_ecran ON typeobjet (typeobjet, nomecran);

CREATE TABLE synchro (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    "table" TEXT,
    champ_id TEXT,
    champ_id_dossier TEXT,
    dernier_no INTEGER DEFAULT 0
);
